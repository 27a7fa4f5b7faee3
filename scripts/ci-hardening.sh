#!/usr/bin/env bash
# Hardening checks for CI: the whole test suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer (any finding aborts its test), the drive search tests built with
# ThreadSanitizer (the search reads folders ahead on threads of its own), then each libFuzzer
# target for a bounded time from seeds generated out of the sample game. Installs clang and its
# runtime quietly when missing. About seven minutes on two cores.
#
#   scripts/ci-hardening.sh                  build-asan/, build-tsan/ and build-fuzz/ in the checkout
#   FUZZ_SECONDS=600 scripts/ci-hardening.sh longer fuzzing
set -euo pipefail
cd "$(dirname "$0")/.."
asan=${HARDENING_ASAN_DIR:-build-asan}
tsan=${HARDENING_TSAN_DIR:-build-tsan}
fuzz=${HARDENING_FUZZ_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=$(nproc)
started=$SECONDS

scripts/setup.sh
scripts/setup.sh clang libclang-rt-14-dev

# Runs a command with its output kept back, shown only when it fails.
quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

echo "== sanitizer build (address;undefined) and the whole test suite"
# -O1 with line tables: the usual choice for sanitizers, and quicker to build than -O2 -g.
quietly cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DTEXKIT2_SANITIZE="address;undefined"
quietly cmake --build "$asan" --parallel "$jobs"
# A hang must fail, not use up CI's time.
ctest --test-dir "$asan" --output-on-failure --parallel "$jobs" --timeout 300
echo "sanitizer suite done after $((SECONDS - started)) s"

echo "== thread sanitizer build (thread) and the drive search tests"
t=$SECONDS
quietly cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DTEXKIT2_SANITIZE=thread -DTEXKIT2_BUILD_GUI=OFF
quietly cmake --build "$tsan" --parallel "$jobs" --target test_locate
# The trees 3,000 folders deep try depth, not threads, and take TSan half a minute each.
quietly "$tsan/tests/test_locate" \
  --gtest_filter='Search*:CheckData*:-*ThreeThousand*'
echo "thread sanitizer: no finding in the drive search tests ($((SECONDS - t)) s)"

echo "== fuzz targets, ${seconds} s each"
quietly cmake -S . -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTEXKIT2_BUILD_FUZZERS=ON -DTEXKIT2_BUILD_TESTS=OFF \
  -DTEXKIT2_BUILD_GUI=OFF
targets=(fuzz_pak_scan fuzz_extraction fuzz_wad_info fuzz_wine_registry fuzz_key_values
  fuzz_epic_manifest fuzz_trenchbroom_preferences)
quietly cmake --build "$fuzz" --parallel "$jobs" --target "${targets[@]}" fuzz_seeds

out="$fuzz/fuzz/runs"
rm -rf "$out"
run() { # target: fuzzes into a fresh corpus folder from the seeds; the log says how it went
  local target=$1 seeds=$fuzz/fuzz/seeds/${1#fuzz_}
  mkdir -p "$out/$target/corpus" "$out/$target/artifacts"
  "$fuzz/fuzz/$target" "$out/$target/corpus" "$seeds" -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="$out/$target/artifacts/" >"$out/$target/log" 2>&1
}
failed=0
passed=0
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
  pids=()
  for target in "${targets[@]:i:jobs}"; do
    run "$target" &
    pids+=("$!")
  done
  for k in "${!pids[@]}"; do
    target=${targets[i + k]}
    if wait "${pids[$k]}"; then
      passed=$((passed + 1))
      echo "$target: $(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/$target/log" |
        grep -o '[0-9]*$') runs, no finding"
    else
      failed=$((failed + 1))
      echo "$target: FOUND A PROBLEM; input kept in $out/$target/artifacts/" >&2
      grep -E -A25 'ERROR|check failed|runtime error' "$out/$target/log" | head -n 40 >&2
    fi
  done
done
echo "hardening done after $((SECONDS - started)) s"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
