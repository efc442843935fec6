// What the host of the tests offers beyond the tool's own platform layer.
#pragma once

// True on POSIX hosts. Tests that need what only they have (symbolic links, permission
// bits that bind, signals, resource limits, shell scripts) skip themselves elsewhere:
//     if (!HostIsPosix()) GTEST_SKIP() << "POSIX only: ...";
bool HostIsPosix();
