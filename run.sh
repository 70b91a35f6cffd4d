#!/usr/bin/env bash
# Installs what is missing, builds, and starts Solvane with the given arguments.
# Example: ./run.sh --demo logger
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh build
exec ./build/app/solvane "$@"
