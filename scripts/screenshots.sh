#!/usr/bin/env bash
# Renders every dialog in each of its states to docs/screenshots/ (offscreen), extracting the
# sample game on the way.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
scripts/build.sh
# A fixed name, so that the Locate dialog's pictures show the same hard disk every time.
scratch=${TMPDIR:-/tmp}/texkit2-screenshots
rm -rf "$scratch"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/games"
"$build/tests/support/texkit2-sample-game" "$scratch/games" --game quake >/dev/null
mkdir -p docs/screenshots
QT_QPA_PLATFORM=offscreen "$build/app/texkit2" --screenshots docs/screenshots "$scratch/games/quake/id1"
