#!/usr/bin/env bash
# Checks the installer made by scripts/windows/package.sh end to end under Wine, in a
# throwaway Wine prefix: silent install, the installed programs at work, silent uninstall.
# Usage: scripts/windows/check-install.sh [PACKAGE_DIR (default build-win/packages)]
set -euo pipefail
cd "$(dirname "$0")/../.."
# Everything on one virtual X display, the new Wine prefix included: a prefix set up without
# a display never lets the first window of a program quit when one is there.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1440x900x24" "$0" "$@"
fi
pkgdir=${1:-build-win/packages}

fail() { echo "check-install: FAILED: $*" >&2; exit 1; }
ok() { echo "check-install: ok $*"; }

version=$(sed -n 's/^project(Solvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$pkgdir/Solvane-$version-setup.exe
[ -f "$setup" ] || fail "$setup is missing (run scripts/windows/package.sh)"
setup=$(cd "$(dirname "$setup")" && pwd)/$(basename "$setup")

export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all
# No prompts to fetch Wine's .NET and HTML engines: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
# Bounds each Windows program, so that a hung one fails the check instead of stalling it.
run() { timeout 300 "$@"; }

run wineboot -i >/dev/null 2>&1 || fail "wineboot could not set up the Wine prefix"
wineserver -w
ok "Wine prefix $WINEPREFIX"

run wine "$setup" /S >/dev/null 2>&1 || fail "the silent install exited with $?"
wineserver -w
# Wine names the Windows user after the Unix one.
profile=$WINEPREFIX/drive_c/users/$(id -un)
dir=$profile/AppData/Local/Programs/Solvane
shortcut=$profile/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Solvane.lnk
[ -d "$dir" ] || fail "no $dir after the install; found: $(cd "$WINEPREFIX/drive_c/users" && find . -maxdepth 5 -path '*Programs*')"
for f in solvane.exe solvane-cli.exe Qt6Core.dll platforms/qwindows.dll sqldrivers/qsqlite.dll \
  translations/qtbase_zh_CN.qm Solvane_zh.qm Uninstall.exe; do
  [ -f "$dir/$f" ] || fail "$f is not installed"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Solvane'
wine reg query "$key" /v QuietUninstallString >/dev/null 2>&1 || fail "no uninstall entry $key"
ok "silent install into $dir, shortcut and uninstall entry"

log=$WINEPREFIX/check.log
# Messages go to a log, shown only when a step fails.
cli() { run wine "$dir/solvane-cli.exe" --library 'C:\lib.sqlite' "$@" 2>"$log"; }
clifail() { fail "solvane-cli $1 exited with $2: $(cat "$log")"; }
cli --demo logger download >/dev/null || clifail download $?
listed=$(cli list) || clifail list $?
[ -n "$(echo "$listed" | tr -d '[:space:]')" ] || fail "solvane-cli list printed nothing"
cli export 1 --format xlsx --output 'C:\x.xlsx' >/dev/null || clifail export $?
/usr/bin/python3 -c '
import numbers, sys
import openpyxl
rows = list(openpyxl.load_workbook(sys.argv[1], read_only=True).worksheets[0].iter_rows(values_only=True))
header = rows[0] if rows else ()
assert any(isinstance(v, str) and v for v in header), "no header row"
assert any(any(isinstance(v, numbers.Number) for v in r) for r in rows[1:]), "no numeric row"
' "$WINEPREFIX/drive_c/x.xlsx" || fail "the exported workbook C:\\x.xlsx is not as expected"
ok "solvane-cli download, list ($(echo "$listed" | grep -c .) lines), export to xlsx"

# The window shows at once; a minute is ample even on a busy machine. Qt's own Windows
# platform draws it through Wine on the virtual display.
status=0
shown=$(timeout 60 wine "$dir/solvane.exe" --demo logger --quit-when-shown 2>"$log") || status=$?
[[ $shown == *shown* && $shown != *"not shown"* ]] || fail "solvane.exe printed '$shown', not 'shown' (exit $status): $(cat "$log")"
[ "$status" = 0 ] || fail "solvane.exe printed 'shown' but then $([ "$status" = 124 ] && echo "did not quit within 60 s" || echo "exited with $status")"
ok "solvane.exe showed its window"
data=$profile/AppData/Local/solvane
[ -n "$(ls -A "$data" 2>/dev/null)" ] || fail "solvane.exe left no data in $data"

run wine "$dir/Uninstall.exe" /S >/dev/null 2>&1 || fail "the silent uninstall exited with $?"
wineserver -w
# The uninstaller runs from a copy in the temporary folder and may outlive its starter.
for _ in $(seq 60); do [ -e "$dir" ] || break; sleep 1; done
[ ! -e "$dir" ] || fail "$dir is still there after the uninstall: $(cd "$dir" && find .)"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there after the uninstall"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
[ -n "$(ls -A "$data" 2>/dev/null)" ] || fail "the uninstall deleted the user's data in $data"
ok "silent uninstall removed the program, shortcut and entry, kept the user's data"
