#!/usr/bin/env bash
# Builds the release packages into build-packages/ (see cmake/packaging.cmake): the
# Debian package and the .tar.gz for Linux, and a ZIP each for 32-bit and 64-bit Windows.
# Each is built in a folder of its own (build-package-linux/, build-package-win32/,
# build-package-win64/), as a release build without tests. Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
# The folders of a package take the mode they are made with, and that follows the umask
# (CMake's default folder permissions included): a package of a build under umask 077
# would install folders that no other user may enter.
umask 022
scripts/deps.sh
scripts/deps.sh g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev \
  dpkg-dev file

out=build-packages
rm -rf "$out"
mkdir -p "$out"

# package BUILD_DIR [CMAKE_ARGS...]: configures and builds BUILD_DIR for packaging and
# moves its packages into $out.
package() {
  local build=$1
  shift
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DAURALITH_PACKAGE=ON \
    -DAURALITH_TESTS=OFF "$@" >/dev/null
  ninja -C "$build"
  rm -rf "$build/cpack"
  (cd "$build" && cpack -B "$PWD/cpack" >/dev/null)
  find "$build/cpack" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' -o -name '*.tar.gz' \) \
    -exec mv {} "$out/" \;
}

package build-package-linux
package build-package-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
package build-package-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

echo "== Packages in $out"
(cd "$out" && ls -l --block-size=K -- *)
