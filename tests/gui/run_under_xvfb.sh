#!/usr/bin/env bash
# Runs a GUI test program on a real (virtual) X server instead of offscreen.
set -u
command -v xvfb-run >/dev/null || { echo "xvfb-run missing"; exit 77; }
exec xvfb-run -a env QT_QPA_PLATFORM=xcb "$@"
