#!/usr/bin/env bash
# Builds Auralith, its encoders and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs the whole test suite there. Any
# finding, leaks included, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build-asan -DAURALITH_SANITIZE=ON
# The programs the tests start inherit these settings.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
