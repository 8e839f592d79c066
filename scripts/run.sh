#!/usr/bin/env bash
# Sets up the machine, builds qar and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
echo "built: build/vadav/libvadav.so and the engine; the programs follow."
