#!/usr/bin/env bash
# Configures and builds qar into a build folder: build.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
cmake -S . -B "$dir" "${gen[@]}" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
