#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, when some are missing (as root, or via sudo).
#   setup.sh               the Linux build's packages
#   setup.sh PACKAGE...    just these (other builds' scripts use it)
set -euo pipefail

packages=(g++ cmake ninja-build libgtest-dev libstb-dev nlohmann-json3-dev libcli11-dev qt6-base-dev
  fonts-liberation xvfb xauth)
if [ $# -gt 0 ]; then
  packages=("$@")
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
