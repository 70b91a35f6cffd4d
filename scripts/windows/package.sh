#!/usr/bin/env bash
# Packs a finished Windows build (scripts/windows/build.sh) into a zip and a per-user
# installer: OUT_DIR/Solvane-<version>-win64.zip and OUT_DIR/Solvane-<version>-setup.exe.
# Builds nothing: what goes in is what `cmake --install` stages.
# Usage: scripts/windows/package.sh [BUILD_DIR (default build-win)] [OUT_DIR (default BUILD_DIR/packages)]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=${1:-build-win}
out=${2:-$build/packages}

fail() { echo "package.sh: $*" >&2; exit 1; }
command -v makensis >/dev/null || fail "makensis is missing (Debian package nsis)"
command -v zip >/dev/null || fail "zip is missing (Debian package zip)"
[ -f "$build/cmake_install.cmake" ] || fail "$build is not a configured build (run scripts/windows/build.sh)"
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

version=$(sed -n 's/^project(Solvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in the project() line of CMakeLists.txt"
name=Solvane-$version-win64
stage=$out/stage/$name
zipfile=$out/$name.zip
setup=$out/Solvane-$version-setup.exe

rm -rf "$out/stage"
cmake --install "$build" --prefix "$stage" --strip >/dev/null || fail "cmake --install $build failed"
for f in solvane.exe solvane-cli.exe solvane.ico Qt6Core.dll platforms/qwindows.dll; do
  [ -f "$stage/$f" ] || fail "the stage lacks $f: is $build fully built?"
done

# One time stamp for every file, so that the same build packs to the same bytes.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
find "$stage" -exec touch -h -d "@$epoch" {} +

rm -f "$zipfile"
(cd "$out/stage" && find "$name" | LC_ALL=C sort | zip -X -q "$zipfile" -@)

# What the uninstaller deletes: the staged files, then their folders, deepest first.
list=$out/stage/uninstall.nsh
# shellcheck disable=SC2016 # $INSTDIR is for makensis, not the shell
(
  cd "$stage"
  find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | LC_ALL=C sort -r | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|'
) >"$list"

rm -f "$setup"
makensis -V2 -WX -DSTAGE="$stage" -DVERSION="$version" -DOUTFILE="$setup" \
  -DICON="$build/packaging/solvane.ico" -DUNINSTALL_LIST="$list" \
  "$root/packaging/windows/solvane.nsi" || fail "makensis failed"

for f in "$zipfile" "$setup"; do
  awk -v n="$f" -v s="$(stat -c %s "$f")" 'BEGIN { printf "%s %.1f MB\n", n, s / 1048576 }'
done
