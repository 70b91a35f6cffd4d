#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks what it would install.
# Usage: tst_package.sh <build dir>
set -euo pipefail

build=$(cd "${1:?build dir}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Packages into scratch so the build tree is left as it was.
if ! (cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
debs=("$scratch"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "FAIL: expected one .deb, found: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$scratch/control"
dpkg-deb -I "$deb" >"$scratch/info"

passed=0
failed=0
check() {  # check <description> <command...>
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
  fi
}
field() { dpkg-deb -f "$deb" "$1"; }
has_line() { grep -qxF -- "$2" "$1"; }
has_text() { grep -qF -- "$2" "$1"; }
lacks_text() { ! grep -qF -- "$2" "$1"; }
png_of_size() {  # PNG signature, then IHDR width and height as big-endian words
  [ -f "$1" ] || return 1
  local head
  head=$(od -An -tx1 -N24 "$1" | tr -d ' \n')
  [ "${head:0:16}" = 89504e470d0a1a0a ] || return 1
  [ $((16#${head:32:8})) -eq "$2" ] && [ $((16#${head:40:8})) -eq "$2" ]
}
lacks_line_start() { ! grep -q "^$2" "$1"; }
# Runs a checker quietly; shows what it said when it fails.
runs_clean() {  # runs_clean <log> <command...>
  local log=$1
  shift
  "$@" >"$log" 2>&1 || { cat "$log"; return 1; }
}
lacks_needed() { ! objdump -p "$1" | grep -q "NEEDED *$2"; }
depends_on() { field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qxF -- "$1"; }

check "package name" [ "$(field Package)" = solvane ]
check "version from the project" [ "$(field Version)" = 2.3 ]
check "section" [ "$(field Section)" = science ]
check "maintainer" [ "$(field Maintainer)" = "Solvane developers <dev@solvane.example>" ]

check "usr/bin/solvane is an executable file" test -f "$root/usr/bin/solvane" -a -x "$root/usr/bin/solvane"
check "usr/bin/solvane-cli is an executable file" test -f "$root/usr/bin/solvane-cli" -a -x "$root/usr/bin/solvane-cli"
check "solvane-cli needs no widgets" lacks_needed "$root/usr/bin/solvane-cli" libQt6Widgets
for lang in zh en; do
  check "Solvane_$lang.qm installed" test -s "$root/usr/share/solvane/translations/Solvane_$lang.qm"
done

desktop=$root/usr/share/applications/solvane.desktop
check "desktop entry installed" test -f "$desktop"
if [ -f "$desktop" ]; then
  check "desktop entry runs solvane" has_line "$desktop" "Exec=solvane"
  check "desktop entry names the icon" has_line "$desktop" "Icon=solvane"
  check "desktop entry is a GUI application" has_line "$desktop" "Terminal=false"
fi

for n in 48 128 256; do
  check "${n}x$n icon is a $n-pixel PNG" png_of_size "$root/usr/share/icons/hicolor/${n}x$n/apps/solvane.png" "$n"
done

rule=$root/usr/lib/udev/rules.d/70-solvane.rules
check "udev rule installed" test -f "$rule"
if [ -f "$rule" ]; then
  check "udev rule grants seat access" has_text "$rule" 'TAG+="uaccess"'
  check "udev rule matches the vendor" has_text "$rule" 'ATTRS{idVendor}=="2047"'
  check "udev rule matches the product" has_text "$rule" 'ATTRS{idProduct}=="0301"'
  check "udev rule is on hidraw" has_text "$rule" 'SUBSYSTEM=="hidraw"'
  check "udev rule makes nothing world-writable" lacks_text "$rule" '0666'
  check "udev rule sets no MODE" lacks_text "$rule" 'MODE'
fi

doc=$root/usr/share/doc/solvane
check "copyright file in DEP-5 format" has_line "$doc/copyright" \
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
check "changelog.gz starts with this version" \
  [ "$(zcat "$doc/changelog.gz" 2>/dev/null | head -n1)" = "solvane (2.3) unstable; urgency=medium" ]
check "man page documents --demo" zgrep -qF -- '\-\-demo' "$root/usr/share/man/man1/solvane.1.gz"
check "man page of solvane-cli documents export" zgrep -qF -- '\-\-format' "$root/usr/share/man/man1/solvane-cli.1.gz"
metainfo=$root/usr/share/metainfo/example.solvane.Solvane.metainfo.xml
check "metainfo launches the installed desktop entry" \
  has_text "$metainfo" "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>"
check "appstreamcli validate accepts the metainfo" \
  runs_clean "$scratch/appstream.log" appstreamcli validate --no-net "$metainfo"
check "appstreamcli gives no warnings" lacks_line_start "$scratch/appstream.log" "W:"
# Covers the man page's rendering and the gzip time stamps too.
check "lintian: no errors or warnings" \
  runs_clean "$scratch/lintian.log" lintian --fail-on error,warning "$deb"

check "Depends has libqt6widgets6 (from shlibdeps)" depends_on libqt6widgets6
check "Depends has fonts-wqy-microhei" depends_on fonts-wqy-microhei
check "Depends has qt6-qpa-plugins" depends_on qt6-qpa-plugins
check "Depends field shown by dpkg-deb -I" has_text "$scratch/info" "Depends:"

postinst=$scratch/control/postinst
check "postinst is executable" test -x "$postinst"
if [ -f "$postinst" ]; then
  # Without udevadm on PATH the script must still succeed.
  check "postinst succeeds without udevadm" env PATH=/nonexistent /bin/sh "$postinst" configure
  # Reload works but trigger fails (no udev daemon, as in a container): the install must not fail.
  mkdir -p "$scratch/stub"
  printf '#!/bin/sh\necho "$*" >>"%s/udevadm.calls"\n[ "$1" = control ]\n' "$scratch" >"$scratch/stub/udevadm"
  chmod +x "$scratch/stub/udevadm"
  check "postinst succeeds when udevadm trigger fails" env PATH="$scratch/stub:/usr/bin:/bin" /bin/sh "$postinst" configure
  check "postinst reloaded the rules" has_line "$scratch/udevadm.calls" "control --reload-rules"
  check "postinst triggered hidraw devices" has_line "$scratch/udevadm.calls" "trigger --subsystem-match=hidraw"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
