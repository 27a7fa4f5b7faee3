#!/usr/bin/env bash
# Runs a Windows test program that opens windows, through its emulator (Wine), which draws on
# X: on the display there is, else on a virtual one of its own. Listing the tests needs none.
set -u
if [ -n "${DISPLAY:-}" ] || [[ " $* " == *" --gtest_list_tests "* ]]; then
  exec "$@"
fi
command -v xvfb-run >/dev/null || {
  echo "run_with_display.sh: no DISPLAY and no xvfb-run (Debian package xvfb)" >&2
  exit 1
}
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
