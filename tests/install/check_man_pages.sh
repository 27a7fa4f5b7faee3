#!/usr/bin/env bash
# check_man_pages.sh PROGRAM PAGE: the man page PAGE (roff, or .gz) documents what PROGRAM's
# --help lists. A program with commands ("Commands:" in its --help) needs a subsection
# (.SS COMMAND) per command, holding an item (.TP, then .B/.BI --option) for each option that
# `PROGRAM COMMAND --help` names; its own options are items under .SH OPTIONS. An item that
# --help no longer names fails as well (--help excepted: every command takes it).
# Used by CTest on the build tree and by scripts/ci-package.sh on the installed package.
set -u
program=$1
page=$2
failures=0
fail() {
  echo "$(basename "$page"): $*"
  failures=$((failures + 1))
}

text() {
  case $page in
    *.gz) gzip -dc "$page" ;;
    *) cat "$page" ;;
  esac | sed 's/\\-/-/g'
}
# items KIND NAME: the options of the .TP items in the section `KIND NAME` (.SS or .SH).
items() {
  text | awk -v kind="$1" -v name="$2" '
    /^\.S[HS][ \t]/ { gsub(/"/, ""); inside = ($1 == kind && $2 == name); item = 0; next }
    inside && item { if ($2 ~ /^--/) print $2; item = 0; next }
    inside && /^\.TP/ { item = 1 }' | sort -u
}
# options ARGS...: the --options that `PROGRAM ARGS... --help` names.
options() {
  local help
  help=$("$program" "$@" --help) || {
    fail "'$(basename "$program") $* --help' failed"
    return
  }
  grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u
}
# compare WHAT HELP_OPTIONS PAGE_ITEMS
compare() {
  local option
  for option in $2; do
    grep -qxF -- "$option" <<<"$3" || fail "$1: $option is in --help but not in the page"
  done
  for option in $3; do
    [ "$option" = --help ] && continue
    grep -qxF -- "$option" <<<"$2" || fail "$1: the page documents $option, which --help does not list"
  done
}

[ -s "$page" ] || {
  echo "no man page at $page"
  exit 1
}
[ "$(text | grep -c '^\.TH ')" = 1 ] || fail "no .TH title line"
for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" FILES EXAMPLES; do
  text | grep -qE "^\.SH \"?$section\"?\$" || fail "no $section section"
done

help=$("$program" --help) || fail "'$(basename "$program") --help' failed"
commands=$(awk '/^Commands:/ { inside = 1; next } inside && /^$/ { exit }
  inside && /^  [a-z]/ { print $1 }' <<<"$help")
compare "$(basename "$program")" "$(options)" "$(items .SH OPTIONS)"
for command in $commands; do
  if ! text | grep -qE "^\.SS \"?$command\"?\$"; then
    fail "no subsection .SS $command for the command $command"
    continue
  fi
  compare "$command" "$(options "$command")" "$(items .SS "$command")"
done
# Subsections of COMMANDS that name no command any more.
for documented in $(text | awk '/^\.SH/ { inside = ($2 == "COMMANDS"); next }
  inside && /^\.SS/ { gsub(/"/, ""); print $2 }'); do
  grep -qxF -- "$documented" <<<"$commands" ||
    fail "the page documents the command $documented, which --help does not list"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures differences between $(basename "$program") --help and $page"
  exit 1
fi
echo "$(basename "$page"): every command and option of --help is documented$([ -n "$commands" ] && echo " (commands: $(echo $commands))")"
