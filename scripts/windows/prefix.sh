#!/usr/bin/env bash
# Prints the Windows prefix (Qt and the C libraries built for x86_64-w64-mingw32): the one
# SOLVANE_MINGW_PREFIX names, else the tarball in ../shared/toolchains unpacked once into
# .toolchain/. Exits 1 with one line on stderr when there is none.
set -euo pipefail
cd "$(dirname "$0")/../.."
name=mingw64-qt6.4.2
if [ -n "${SOLVANE_MINGW_PREFIX:-}" ]; then
  [ -f "$SOLVANE_MINGW_PREFIX/lib/cmake/Qt6/Qt6Config.cmake" ] || {
    echo "SOLVANE_MINGW_PREFIX=$SOLVANE_MINGW_PREFIX holds no Qt 6 for Windows" >&2
    exit 1
  }
  echo "$SOLVANE_MINGW_PREFIX"
  exit 0
fi
tarball=../shared/toolchains/$name.tar.xz
unpacked=$PWD/.toolchain/$name
if [ ! -f "$unpacked/.complete" ]; then
  [ -f "$tarball" ] || {
    echo "no Windows toolchain: set SOLVANE_MINGW_PREFIX, or put $name.tar.xz in ../shared/toolchains (made by ../shared/tools/build-mingw-toolchain.sh)" >&2
    exit 1
  }
  rm -rf "$unpacked"
  mkdir -p .toolchain
  tar -C .toolchain -xJf "$tarball"
  touch "$unpacked/.complete"
fi
echo "$unpacked"
