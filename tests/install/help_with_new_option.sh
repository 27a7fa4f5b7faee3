#!/usr/bin/env bash
# Stands in for texkit2-cli ($TEXKIT2_REAL_PROGRAM) with one more option in `extract --help`, as
# a change to the CLI would add it before the man page knows it.
"$TEXKIT2_REAL_PROGRAM" "$@" || exit
if [ "$*" = "extract --help" ]; then
  echo "  --textures-only    an option no page knows yet"
fi
