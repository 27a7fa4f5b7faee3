#!/usr/bin/env bash
# Builds the Debian package into build-package/ (BUILD_DIR overrides): a build without the tests,
# installed below /usr, with Debian's hardening flags (dpkg-buildflags), stripped and packed by
# CPack, whose Depends dpkg-shlibdeps computes. Installs the packages that are missing (as root,
# or via sudo) and prints the package's path:
#   scripts/package.sh && apt-get install ./build-package/texkit2_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-package}

scripts/setup.sh
# dpkg-shlibdeps (dpkg-dev) computes Depends; CPack asks file(1) which files are binaries.
scripts/setup.sh dpkg-dev file

# All of Debian's hardening, bindnow included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
# A fresh cache, so that the flags above are those of the package.
rm -f "$build/CMakeCache.txt"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTEXKIT2_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel
rm -f "$build"/texkit2_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
  cat "$build/cpack.log"
  exit 1
}
ls "$build"/texkit2_*.deb
