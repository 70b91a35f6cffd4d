#!/usr/bin/env bash
# Runs one test program under Wine for ctest and prints its log. QtTest on Windows sends its
# log to the debugger when the program has no console window, which under ctest it has not;
# a log file keeps it.
set -uo pipefail
log=$(mktemp)
trap 'rm -f "$log"' EXIT
wine "$@" -o "$log,txt"
status=$?
cat "$log"
exit $status
