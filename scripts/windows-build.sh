#!/usr/bin/env bash
# Cross-compiles texkit2-cli.exe, texkit2.exe, the libraries (the dialog framework with its Win32
# backend among them) and their tests for Windows with Debian's MinGW-w64, statically linked,
# into build-windows-ARCH/ (BUILD_DIR overrides), and packs the zip and the installer (makensis,
# Debian's nsis).
# The desktop application's artwork is drawn by a Qt program and its resource script written by
# a host tool: both are built first in the Linux build, build/ (LINUX_BUILD_DIR overrides),
# which is configured when it is missing.
#   TEXKIT2_WINDOWS_ARCH=i686    32-bit, as the tool was made for (the default)
#   TEXKIT2_WINDOWS_ARCH=x86_64  64-bit
# Installs the Debian packages that are missing (as root, or via sudo). Extra arguments go to the
# configure step, e.g. -DTEXKIT2_BUILD_TESTS=OFF.
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${TEXKIT2_WINDOWS_ARCH:-i686}
case "$arch" in
  i686) compiler=g++-mingw-w64-i686 ;;
  x86_64) compiler=g++-mingw-w64-x86-64 ;;
  *)
    echo "windows-build.sh: TEXKIT2_WINDOWS_ARCH is i686 or x86_64, not '$arch'" >&2
    exit 2
    ;;
esac
build=${BUILD_DIR:-build-windows-$arch}
linux=${LINUX_BUILD_DIR:-build}

# The Linux build's packages, then googletest's sources (in /usr/src/googletest, compiled with
# the cross toolchain), stb's, nlohmann's JSON and CLI11's headers (header-only, taken from the
# host: cmake/Stb.cmake, cmake/NlohmannJson.cmake, cmake/Cli11.cmake) and the cross compiler.
scripts/setup.sh
scripts/setup.sh cmake ninja-build googletest libstb-dev nlohmann-json3-dev libcli11-dev "$compiler" nsis

if [ ! -f "$linux/CMakeCache.txt" ]; then
  cmake --preset default -B "$linux" >/dev/null
fi
cmake --build "$linux" --parallel --target texkit2-artwork texkit2-make-rc
host=$(cd "$linux" && pwd)

cmake --preset "windows-$arch" -B "$build" \
  -DTEXKIT2_HOST_ARTWORK_DIR="$host/res/generated" \
  -DTEXKIT2_HOST_MAKE_RC="$host/res/rc/texkit2-make-rc" "$@" >/dev/null
cmake --build "$build" --parallel
# The zip a Windows user unpacks: the programs and README.txt (cmake/Packaging.cmake).
rm -f "$build"/texkit2-*-win*.zip
(cd "$build" && cpack -G ZIP >cpack.log 2>&1) || {
  cat "$build/cpack.log"
  exit 1
}
# The installer beside it, with the same files (cmake/nsis/NSIS.template.in).
rm -f "$build"/texkit2-*-win*-setup.exe
(cd "$build" && cpack -G NSIS >cpack-nsis.log 2>&1) || {
  cat "$build/cpack-nsis.log"
  exit 1
}
echo "windows-build.sh: built $build/cli/texkit2-cli.exe, $(ls "$build"/texkit2-*-win*.zip) and" \
  "$(ls "$build"/texkit2-*-win*-setup.exe)"
