#!/usr/bin/env bash
# check_completion.sh PROGRAM COMPLETION: the bash completion COMPLETION offers what
# `PROGRAM --help` lists: each command, each option of `PROGRAM COMMAND --help` (and --help) and
# nothing else, the games of --game, folders (not files) for DATAFOLDER and --wine-prefix,
# folders and the pictures sheet writes for its -o, and folders and WAD files for info.
set -u
program=$1
completion=$2
failures=0
fail() {
  echo "completion: $*"
  failures=$((failures + 1))
}

# shellcheck source=/dev/null
source "$completion" || exit 1
# offered WORD...: what completing the last WORD of `texkit2-cli WORD...` offers, one a line.
offered() {
  COMP_WORDS=(texkit2-cli "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _texkit2_cli 2>/dev/null
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}
# expect WHAT WANTED GOT: the lists (one item a line) are equal.
expect() {
  [ "$2" = "$3" ] || fail "$1: wanted [$(echo $2)], offered [$(echo $3)]"
}
help_options() {
  "$program" "$@" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u
}

help=$("$program" --help) || exit 1
commands=$(awk '/^Commands:/ { inside = 1; next } inside && /^$/ { exit }
  inside && /^  [a-z]/ { print $1 }' <<<"$help")
[ -n "$commands" ] || fail "no commands in '$program --help'"
expect "commands" "$(printf '%s\n' $commands $(help_options) | sort -u)" "$(offered '')"
# Every command takes --help, also where its text does not say so.
for command in $commands; do
  expect "$command options" "$( (help_options "$command"; echo --help) | sort -u)" \
    "$(offered "$command" -)"
done

# The games, as the usage lines name them: --game quake|hexen2.
games=$(grep -ohE -- '--game [a-z0-9|]+' <<<"$("$program" extract --help)" | head -n 1)
games=$(tr '|' '\n' <<<"${games#--game }" | sort)
[ -n "$games" ] || fail "extract --help names no games"
expect "--game values" "$games" "$(offered extract --game '')"
expect "--game= values" "$games" "$(offered search --game = '')"
expect "--game h" "hexen2" "$(offered register --game h)"

# Folders for DATAFOLDER and --wine-prefix, in the folder the shell is in.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/id1" "$work/idle" "$work/prefix"
touch "$work/id1.txt" "$work/PAK0.PAK" "$work/Quake.wad" "$work/old.PNG" "$work/s.tga"
cd "$work" || exit 1
expect "DATAFOLDER" "$(printf '%s\n' id1 idle)" "$(offered extract --game quake id)"
expect "--wine-prefix" "prefix" "$(offered register --wine-prefix p)"
expect "no files for DATAFOLDER" "" "$(offered extract --game quake PAK)"
expect "sheet -o" "$(printf '%s\n' id1 idle old.PNG prefix s.tga)" "$(offered sheet -o '')"
expect "WADFILE" "$(printf '%s\n' Quake.wad id1 idle prefix PAK0.PAK | grep -v PAK | sort)" \
  "$(offered info '')"

if [ "$failures" -ne 0 ]; then
  echo "$failures differences between the completion and $(basename "$program") --help"
  exit 1
fi
echo "completion: offers every command and option of --help ($(echo $commands)), the games, folders"
