#!/usr/bin/env bash
# The drive search benchmark alone: builds it (Release) and times the search against GNU find
# and fd (Debian's fd-find, installed here when missing) over a generated tree of 1,000,000
# entries, kept in the build folder for later runs; warm, then cold (as root: the caches dropped
# before every run). Arguments go to texkit2-bench-search, e.g. --mode cold, --cold-runs 7,
# --threads 8, --check (fail when over target) or --profile system (444,000 entries shaped as
# this machine's root: mostly tiny folders, long names, links; kept beside the other tree).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
scripts/setup.sh
scripts/setup.sh fd-find
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTEXKIT2_BUILD_BENCHMARKS=ON \
  -DTEXKIT2_BUILD_GUI=OFF -DTEXKIT2_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target texkit2-bench-search
mkdir -p "$build/search-tree"
"$build/bench/texkit2-bench-search" --tree "$build/search-tree" "$@"
