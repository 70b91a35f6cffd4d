#!/usr/bin/env bash
# Line coverage of the Windows HID transport and device notices: tst_winhid built with those
# files instrumented (mingw-w64's gcc --coverage) in build-win-cov, run under Wine, counted
# by mingw-w64's gcov. Prints one line per file and the total, `name value unit`.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=build-win-cov
prefix=$(./scripts/windows/prefix.sh)
./scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine wine64
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DSOLVANE_MINGW_PREFIX="$prefix" -DSOLVANE_BUILD_BENCH=OFF -DSOLVANE_WIN_COVERAGE=ON
fi
cmake --build "$dir" -j2 --target tst_winhid
find "$dir" -name '*.gcda' -delete
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The counts are written where the objects are: the cwd is on Wine's drive for /.
(cd "$dir" && bash ../scripts/windows/wine-test.sh testbin/tst_winhid.exe -platform offscreen)
wineserver -w 2>/dev/null || true

total=0
covered=0
for f in link/winhidbackend.cpp link/winhidconnection.cpp app/windevicemonitor.cpp; do
  gcda=$(find "$dir" -name "$(basename "$f").gcda" | head -1)
  [ -n "$gcda" ] || { echo "coverage: no counts for $f" >&2; exit 1; }
  line=$(cd "$(dirname "$gcda")" && x86_64-w64-mingw32-gcov-posix -n "$(basename "$gcda")" 2>/dev/null |
    grep -A1 "File '.*$(basename "$f")'" | sed -n 's/^Lines executed:\([0-9.]*\)% of \([0-9]*\)$/\1 \2/p' | head -1)
  percent=${line% *}
  lines=${line#* }
  echo "coverage_$(basename "$f" .cpp) $percent % of $lines lines"
  total=$((total + lines))
  covered=$(awk -v c="$covered" -v p="$percent" -v n="$lines" 'BEGIN { printf "%d", c + p * n / 100 + 0.5 }')
done
awk -v c="$covered" -v t="$total" 'BEGIN { printf "coverage_windows_hid %.1f %% of %d lines\n", 100 * c / t, t }'
