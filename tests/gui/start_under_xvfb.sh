#!/usr/bin/env bash
# The window starts on a real X server: still running after a few seconds means it came up.
set -u
app=$1
command -v xvfb-run >/dev/null || { echo "xvfb-run missing"; exit 77; }
log=$(mktemp)
QT_QPA_PLATFORM=xcb timeout 6 xvfb-run -a "$app" >"$log" 2>&1
rc=$?
cat "$log"; rm -f "$log"
[ "$rc" -eq 124 ] && exit 0
echo "texkit2 ended early with status $rc"
exit 1
