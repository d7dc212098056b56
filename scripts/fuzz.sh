#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers, runs each for
# FUZZ_SECONDS (default 60) from its generated seeds, and fails on any
# finding. Findings are copied to tests/regressions/<target>/, which the
# test suite replays; commit them once the fault is mended.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=(settings viewpoint heightmap texture)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORVALLE_SANITIZE=ON -DORVALLE_FUZZ=ON -DORVALLE_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_all

work=$root/$build/fuzz
rm -rf "$work/seeds"
"$work/fuzz_seeds" "$work/seeds"

export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

summary=$work/summary.txt
: >"$summary"
found=()
for target in "${targets[@]}"; do
  corpus=$work/corpus/$target
  findings=$work/findings/$target
  log=$work/$target.log
  mkdir -p "$corpus"
  rm -rf "$findings"
  mkdir -p "$findings"
  status=0
  # An input that runs a minute or needs more than 2 GiB counts as a finding.
  "$work/fuzz_$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 \
    -print_final_stats=1 -report_slow_units=100000 -artifact_prefix="$findings/" \
    "$corpus" "$work/seeds/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  line="fuzz_$target: ${runs:-?} inputs in ${took:-$seconds} s (peak ${rss:-?} MiB), corpus $(ls "$corpus" | wc -l) files"
  artifacts=("$findings"/*)
  if [ "$status" -ne 0 ] || [ -e "${artifacts[0]}" ]; then
    mkdir -p "tests/regressions/$target"
    for artifact in "${artifacts[@]}"; do
      [ -e "$artifact" ] && cp "$artifact" "tests/regressions/$target/"
    done
    line="$line: FINDING (exit $status), see $log and tests/regressions/$target/"
    found+=("$target")
  fi
  echo "$line" | tee -a "$summary"
  # Keeps the working corpus to the inputs that add coverage.
  if [ "$status" -eq 0 ] && [ "$(ls "$corpus" | wc -l)" -gt 200 ]; then
    rm -rf "$corpus.merged"
    mkdir -p "$corpus.merged"
    if "$work/fuzz_$target" -merge=1 -timeout=60 "$corpus.merged" "$corpus" >"$log.merge" 2>&1; then
      rm -rf "$corpus"
      mv "$corpus.merged" "$corpus"
    fi
  fi
done

if [ ${#found[@]} -ne 0 ]; then
  echo "fuzz: findings in ${found[*]}" >&2
  exit 1
fi
echo "fuzz: no findings"
