#!/usr/bin/env bash
# Quick start: installs what is missing, builds, writes the sample game into sample-game/,
# extracts the textures of its Quake and Hexen II installations and draws each WAD file's
# contact sheet (sample-game/quake-sheet.png, sample-game/hexen2-sheet.png).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build=${BUILD_DIR:-build}
"$build/tests/support/texkit2-sample-game" sample-game --game both >/dev/null
for game in quake hexen2; do
  folder=sample-game/$game/id1
  [ "$game" = hexen2 ] && folder=sample-game/$game/data1
  echo "== texkit2-cli extract --game $game $folder"
  "$build/cli/texkit2-cli" extract --game "$game" "$folder"
  wad=$folder/Quake.wad
  [ "$game" = hexen2 ] && wad=$folder/Hexen2.wad
  "$build/cli/texkit2-cli" sheet -o "sample-game/$game-sheet.png" "$wad"
  echo
done
