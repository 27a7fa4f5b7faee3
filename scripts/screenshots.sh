#!/usr/bin/env bash
# Renders every dialog in each of its states to docs/screenshots/ (offscreen), extracting the
# sample game on the way.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
scripts/build.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/tests/support/texkit2-sample-game" "$scratch" --game quake >/dev/null
mkdir -p docs/screenshots
QT_QPA_PLATFORM=offscreen "$build/app/texkit2" --screenshots docs/screenshots "$scratch/quake/id1"
