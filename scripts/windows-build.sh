#!/usr/bin/env bash
# Cross-compiles texkit2-cli.exe, the libraries without Qt and their tests for Windows with
# Debian's MinGW-w64, statically linked, into build-windows-ARCH/ (BUILD_DIR overrides).
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
packages=(cmake ninja-build googletest "$compiler")
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "windows-build.sh: installing ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake --preset "windows-$arch" -B "$build" "$@" >/dev/null
cmake --build "$build" --parallel
echo "windows-build.sh: built $build/cli/texkit2-cli.exe"
