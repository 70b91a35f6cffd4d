#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for SECONDS seconds, one after another, over a
# working copy of its seed corpus and the inputs it once failed on (fuzz/regressions/TARGET/).
# Usage: fuzz/run.sh SECONDS [TARGET]. Crash inputs land in build-fuzz/crashes/TARGET/; the
# exit status is 1 when any target found something, so ./test.sh runs it briefly to catch a
# target that no longer matches the code.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET]}
only=${2:-}
targets=(fuzz_protocolreplies fuzz_linkframes fuzz_hidread fuzz_meterframes fuzz_loggerframes fuzz_curvesamples fuzz_cliargs fuzz_libraryaddress fuzz_libraryfile)
if [ -n "$only" ]; then
  case " ${targets[*]} " in
    *" $only "*) targets=("$only") ;;
    *) echo "unknown target $only; one of: ${targets[*]}" >&2; exit 2 ;;
  esac
fi

scripts/install-deps.sh

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DSOLVANE_FUZZ=ON
fi
cmake --build "$build" -j2 --target "${targets[@]}"

summary=()
found=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  crashes=$build/crashes/$t
  log=$build/fuzz-logs/$t.log
  mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
  # The working copy grows; the committed seeds stay as they are.
  cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  before=$(find "$crashes" -type f | wc -l)
  echo "== $t: ${seconds}s (log: $log)"
  status=0
  # New inputs go to the first folder only: the regressions stay as committed.
  inputs=("$corpus")
  [ -d fuzz/regressions/"$t" ] && inputs+=(fuzz/regressions/"$t")
  nice -n 19 "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -artifact_prefix="$crashes/" "${inputs[@]}" >"$log" 2>&1 || status=$?
  after=$(find "$crashes" -type f | wc -l)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -eq 0 ] && [ "$after" -eq "$before" ]; then
    verdict="nothing found"
  else
    verdict="FOUND: exit $status, $((after - before)) new file(s) in $crashes"
    found=1
    tail -n 30 "$log" >&2
  fi
  summary+=("$t executions=${execs:-?} $verdict")
done

echo
printf '%s\n' "${summary[@]}"
exit $found
