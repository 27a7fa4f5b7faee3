#!/usr/bin/env bash
# Without a display the window says so and ends with status 1 (Qt itself would abort).
set -u
app=$1
for display in "" ":97"; do
  out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" timeout 10 "$app" 2>&1)
  rc=$?
  if [ "$rc" -ne 1 ] || ! grep -q "xvfb-run" <<<"$out"; then
    echo "DISPLAY='$display': status $rc, said: $out"
    exit 1
  fi
done
