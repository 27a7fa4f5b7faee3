#!/usr/bin/env bash
# The benchmarks, each side by side with what it is measured against:
# 1. Extraction: `texkit2-cli extract --no-register` on a generated installation the size of the
#    registered game (two archives, ~60 MB, 220 maps, 1,600 texture names), against two I/O
#    floors (texkit2-io-floor: plain C calls making the same reads and writing the same file in
#    the same writes, no logic): the plain floor writes the file under a temporary name and
#    renames it over the old one; the durable floor also starts each large write on its way to
#    the disk at once and flushes the file (fsync) before the rename and the folder after it, as
#    the tool does so that a crash leaves the old WAD or the new one whole. When $QPAKMAN names
#    it, the peer tool qpakman's texture-WAD mode runs on the same archives. Then the same for
#    `extract --all-archives` on a generated mod of 1,000 maps (ten archives and 500 loose maps
#    in nested folders), when the tool has that option. Prints wall-time medians, ratios to both
#    floors and peak resident memory.
# 2. Drive search: the search against GNU find and fd over a generated tree of 1,000,000
#    entries, warm and cold (scripts/bench-search.sh; fd-find is installed when missing), then
#    warm over a tree of 444,000 entries shaped as this machine's root (--profile system).
# 3. Game libraries: the lookup of Steam, a GOG game in a Wine prefix and Debian's package
#    folder, beside the drive walk over the same generated home, warm and cold.
#
#   scripts/bench.sh                 builds into build-bench/, generates its inputs there
#   BENCH_RUNS=31 QPAKMAN=/path/to/qpakman scripts/bench.sh
#   BENCH_SEARCH=0 BENCH_LIBRARIES=0 scripts/bench.sh  the extraction alone
#
# Extraction runs are interleaved (floors, tool, peer, floors, ...) after one warm-up each, so
# the page cache is warm for all and drift hits all alike.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build-bench}
work=${BENCH_DIR:-$build/extract-game}
runs=${BENCH_RUNS:-21}

if [ -z "${BENCH_NO_BUILD:-}" ]; then
  scripts/setup.sh
  scripts/setup.sh time # /usr/bin/time, for the peak resident memory
  scripts/setup.sh fd-find
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTEXKIT2_BUILD_BENCHMARKS=ON \
    -DTEXKIT2_BUILD_TESTS=OFF -DTEXKIT2_BUILD_GUI=OFF >/dev/null
  cmake --build "$build" --parallel --target texkit2-cli texkit2-bench-game texkit2-io-floor \
    texkit2-bench-search texkit2-bench-libraries >/dev/null
fi
if [ ! -x /usr/bin/time ]; then
  echo "bench.sh: /usr/bin/time is missing (Debian package 'time')" >&2
  exit 1
fi
# The floors' plans are binary; a text plan of an older generator means older inputs too.
if [ "$(head -c 4 "$work/floor.plan" 2>/dev/null)" != TKFP ]; then
  "$build/bench/texkit2-bench-game" "$work" >/dev/null
fi
if [ "$(head -c 4 "$work/mod.plan" 2>/dev/null)" != TKFP ]; then
  "$build/bench/texkit2-bench-game" --mod "$work" >/dev/null
fi
cli="$build/cli/texkit2-cli"
floor="$build/bench/texkit2-io-floor"

measure() { # index: appends one wall time (ms) and one peak RSS (KB)
  local i=$1 start end
  start=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/rss" ${commands[$i]} >/dev/null 2>&1
  end=$EPOCHREALTIME
  times[$i]+="$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", (b - a) * 1000}') "
  rss[$i]+="$(tail -n 1 "$work/rss") "
  # Untimed: what the plain floor left unwritten would otherwise fall to the next run's flush
  # (ext4 commits the data of a whole transaction), making the program after it look slower.
  sync -f "$work"
}
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# DATAFOLDER PLAN TARGET TITLE: the floors and the tool (commands[2]) interleaved, then the table.
extraction() {
  local data=$1 plan=$2 target=$3 title=$4 i out
  declare -gA times=() rss=()
  names=("I/O floor, plain" "I/O floor, durable" "${names[@]}")
  commands=("$floor $plan $data/plain.wad --no-sync" "$floor $plan $data/floor.wad"
    "${commands[@]}")
  for i in "${!commands[@]}"; do
    ${commands[$i]} >/dev/null 2>&1 # warm-up
  done
  sync -f "$work"
  for out in floor plain; do
    if ! cmp -s "$data/Quake.wad" "$data/$out.wad"; then
      echo "bench.sh: the floor's file $out.wad differs from texkit2-cli's" >&2
      exit 1
    fi
  done
  for _ in $(seq "$runs"); do
    for i in "${!commands[@]}"; do
      measure "$i"
    done
  done
  local plainMs durableMs toolMs ms
  plainMs=$(echo "${times[0]}" | median)
  durableMs=$(echo "${times[1]}" | median)
  echo "$title into a $(($(stat -c %s "$data/Quake.wad") / 1024)) KB WAD, median of $runs runs" \
    "($(nproc) cores, $(uname -r), load $(cut -d' ' -f1-3 /proc/loadavg))"
  printf '%-22s %10s %10s %12s %12s\n' "program" "wall ms" "vs plain" "vs durable" "peak RSS KB"
  for i in "${!commands[@]}"; do
    ms=$(echo "${times[$i]}" | median)
    printf '%-22s %10.1f %9.2fx %11.2fx %12s\n' "${names[$i]}" "$ms" \
      "$(awk -v a="$ms" -v b="$plainMs" 'BEGIN {print a / b}')" \
      "$(awk -v a="$ms" -v b="$durableMs" 'BEGIN {print a / b}')" \
      "$(echo "${rss[$i]}" | median)"
  done
  toolMs=$(echo "${times[2]}" | median)
  awk -v a="$toolMs" -v b="$durableMs" -v t="$target" 'BEGIN {
    r = a / b; printf "ratio extraction/durable floor: %.2f (target at most %.2f): %s\n", r, t,
    r <= t ? "within target" : "over target" }'
}

data="$work/quake/id1"
names=("texkit2-cli extract")
commands=("$cli extract --no-register --game quake $data")
if [ -n "${QPAKMAN:-}" ] && [ -x "$QPAKMAN" ]; then
  names+=("qpakman -maketex")
  commands+=("$QPAKMAN -maketex $data/PAK0.PAK $data/PAK1.PAK -o $data/peer.wad")
else
  echo "qpakman: skipped (set QPAKMAN to its path to compare)" >&2
fi
extraction "$data" "$work/floor.plan" 1.15 \
  "Extraction of $(du -m "$data/PAK0.PAK" "$data/PAK1.PAK" | awk '{s+=$1} END {print s}') MB of archives"

mod="$work/quake/benchmod"
echo
extractHelp=$("$cli" extract --help 2>&1 || true)
if [[ $extractHelp == *--all-archives* ]]; then
  names=("extract --all-archives")
  commands=("$cli extract --all-archives --no-register --game quake $mod")
  extraction "$mod" "$work/mod.plan" 1.20 \
    "Extraction of a mod of 1,000 maps ($(du -sm "$mod/maps" "$mod"/pak*.pak |
      awk '{s+=$1} END {print s}') MB: ten archives, 500 loose maps)"
else
  echo "The mod of 1,000 maps: skipped, this texkit2-cli has no extract --all-archives; its floor:"
  for sync in --no-sync ""; do
    label=$([ -n "$sync" ] && echo plain || echo durable)
    "$floor" "$work/mod.plan" "$mod/floor.wad" $sync # warm-up
    sync -f "$work"
    msList=""
    for _ in $(seq "$runs"); do
      start=$EPOCHREALTIME
      "$floor" "$work/mod.plan" "$mod/floor.wad" $sync
      end=$EPOCHREALTIME
      sync -f "$work"
      msList+="$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", (b - a) * 1000}') "
    done
    printf '%-22s %10.1f ms\n' "I/O floor, $label" "$(echo "$msList" | median)"
  done
fi

if [ "${BENCH_SEARCH:-1}" != 0 ]; then
  echo
  echo "Drive search"
  mkdir -p "$build/search-tree"
  "$build/bench/texkit2-bench-search" --tree "$build/search-tree"
  echo "Drive search, a tree shaped as this machine's root (tiny folders, long names, links)"
  "$build/bench/texkit2-bench-search" --tree "$build/search-tree" --profile system --mode warm
fi

if [ "${BENCH_LIBRARIES:-1}" != 0 ]; then
  echo
  echo "Game libraries"
  mkdir -p "$build/libraries-tree"
  "$build/bench/texkit2-bench-libraries" --tree "$build/libraries-tree"
fi
