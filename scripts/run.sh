#!/usr/bin/env bash
# Sets up the machine, builds qar and starts its window: run.sh [qar arguments...]
# Without a display the window cannot open; then it shows how to use qar-cli instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  exec build/app/qar "$@"
fi
echo "run: no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
echo "run: the command-line program does the same work without one: build/cli/qar-cli"
echo
exec build/cli/qar-cli --help
