#!/usr/bin/env bash
# Cross-builds solvane.exe, solvane-cli.exe and the test programs for 64-bit Windows into the
# given folder (default build-win), with the DLLs, plugins and catalogues beside them.
# The Windows prefix comes from SOLVANE_MINGW_PREFIX, else from the toolchain tarball in
# ../shared/toolchains (unpacked once into .toolchain/). Extra arguments go to cmake.
# Exits 3 when there is no toolchain to be had.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${1:-build-win}
shift || true

prefix=$(./scripts/windows/prefix.sh) || exit 3
./scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine wine64 nsis zip
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DSOLVANE_MINGW_PREFIX="$prefix" -DSOLVANE_BUILD_BENCH=OFF "$@"
fi
cmake --build "$dir" -j2
