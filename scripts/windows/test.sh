#!/usr/bin/env bash
# The Windows stage: cross-builds into build-win, runs the test programs under Wine, makes the
# zip and the installer, and checks the installer in a throwaway Wine prefix.
# Exits 3 (with one line saying how to get one) when no Windows toolchain is to be had.
set -euo pipefail
cd "$(dirname "$0")/../.."

if ! why=$(./scripts/windows/prefix.sh 2>&1 >/dev/null); then
  echo "windows: no toolchain, stage skipped: $why"
  exit 3
fi
./scripts/windows/build.sh build-win
export WINEDEBUG=-all
# No prompts to fetch Wine's .NET and HTML engines (nothing here needs them): on a display
# they would wait for an answer.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The first start makes the Wine prefix; doing it here keeps it out of the first test's time.
# It is made on a display, since a prefix made without one keeps a window that shows on one
# later from quitting.
timeout 300 xvfb-run -a wineboot -i >/dev/null 2>&1 || true
timeout 120 wineserver -w || true
status=0
(cd build-win && ctest --output-on-failure -j2) || status=$?
if [ $status -eq 0 ]; then
  ./scripts/windows/package.sh build-win
  ./scripts/windows/check-install.sh build-win/packages || status=$?
fi
# A Wine server left running outlives a chroot (fresh-debian.sh) and keeps files open.
wineserver -k 2>/dev/null || true
exit $status
