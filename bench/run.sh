#!/usr/bin/env bash
# Builds the Release benchmarks in build-bench, runs each offscreen, prints their figures and
# a summary with the bounds; exits non-zero when a figure is missing or out of bounds.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=build-bench

scripts/install-deps.sh || exit 1
scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DSOLVANE_BUILD_TESTS=OFF || exit 1
# A folder configured earlier with other settings is set right again.
if ! grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$dir/CMakeCache.txt" ||
   ! grep -q '^SOLVANE_BUILD_TESTS:BOOL=OFF$' "$dir/CMakeCache.txt" ||
   ! grep -q '^SOLVANE_BUILD_BENCH:BOOL=ON$' "$dir/CMakeCache.txt"; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DSOLVANE_BUILD_TESTS=OFF -DSOLVANE_BUILD_BENCH=ON || exit 1
  cmake --build "$dir" -j2 || exit 1
fi

export QT_QPA_PLATFORM=offscreen
# The benchmarks' downloads go to a library of their own, made anew for every run.
export SOLVANE_LIBRARY="$root/$dir/bench-library.sqlite"
rm -f "$SOLVANE_LIBRARY" "$SOLVANE_LIBRARY-wal" "$SOLVANE_LIBRARY-shm"
# Window sizes and process windows the benchmarks' windows keep stay out of the user's settings.
export XDG_CONFIG_HOME="$root/$dir/bench-config"
logs="$root/$dir/bench-logs"
mkdir -p "$logs"
figures=$(mktemp)
trap 'rm -f "$figures"' EXIT

failed=0
for bench in bench_logger_download bench_meter_fetch bench_export bench_process bench_library bench_compare; do
  # Program diagnostics and the product's debug output go to the log, figures to stdout.
  if ! timeout 600 "$dir/bench/$bench" >>"$figures" 2>"$logs/$bench.log"; then
    echo "$bench failed; its log ($logs/$bench.log) ends with:" >&2
    tail -n 20 "$logs/$bench.log" >&2
    failed=1
  fi
done
cat "$figures"

# name, comparison, bound
bounds="logger_download_ratio <= 1.2
meter_fetch_ms <= 150
idle_cpu_percent <= 0.2
startup_ms <= 1000
startup_rss_mb <= 120
export_606_ms <= 100
export_logger_25x606_ms <= 1000
export_summary_2000_ms <= 30000
library_store_25_ms <= 30
library_window_100k_ms <= 200
library_trail_25_ms <= 5
library_verify_100k_ms <= 30000
library_window_1m_ms <= 200
overlay_20_ms <= 100
trend_10k_ms <= 300"

echo "--- bounds"
while read -r name op bound; do
  value=$(awk -v n="$name" '$1 == n { print $2 }' "$figures" | tail -n 1)
  if [ -z "$value" ]; then
    echo "$name missing (bound $op $bound) FAIL"
    failed=1
  elif awk -v v="$value" -v b="$bound" 'BEGIN { exit !(v <= b) }'; then
    echo "$name $value (bound $op $bound) ok"
  else
    echo "$name $value (bound $op $bound) FAIL"
    failed=1
  fi
done <<<"$bounds"
exit $failed
