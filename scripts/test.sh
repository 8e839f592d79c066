#!/usr/bin/env bash
# Sets up the machine, builds qar and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DQAR_WERROR=ON
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
