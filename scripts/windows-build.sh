#!/usr/bin/env bash
# Cross-compiles texkit2-cli.exe, the libraries without Qt (the dialog framework with its Win32
# backend among them) and their tests for Windows with Debian's MinGW-w64, statically linked,
# into build-windows-ARCH/ (BUILD_DIR overrides).
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

# googletest: the sources in /usr/src/googletest, compiled with the cross toolchain.
scripts/setup.sh cmake ninja-build googletest "$compiler"

cmake --preset "windows-$arch" -B "$build" "$@" >/dev/null
cmake --build "$build" --parallel
echo "windows-build.sh: built $build/cli/texkit2-cli.exe"
