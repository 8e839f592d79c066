#!/usr/bin/env bash
# Sets up the machine, builds qar and starts its window: run.sh [qar arguments...]
# Without a display the window cannot open; then qar-cli shows the same job on a small sample
# folder made here (build/sample), and how to go on from there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec build/app/qar "$@"
fi

echo "run: no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
echo "run: qar-cli does the same work without one; here it is on a sample folder, build/sample."
sample=build/sample
rm -rf "$sample"
mkdir -p "$sample/wav/live"
sox -q -n -r 44100 -c 2 -b 16 "$sample/wav/take1.wav" synth 3 pluck C4 pluck E4 pluck G4 vol 0.5
sox -q -n -r 48000 -c 1 -b 16 "$sample/wav/live/voice.wav" synth 2 sine 220-440 vol 0.4
sox -q -n -r 22050 -c 1 -b 8 "$sample/wav/old-memo.wav" synth 1 sine 330 vol 0.4
export XDG_CONFIG_HOME="$PWD/$sample/config"   # a settings store of its own
set -x
build/cli/qar-cli --list -r "$sample/wav"
build/cli/qar-cli -r -o "$sample/mp3" "$sample/wav" || true
find "$sample/mp3" -name '*.mp3'
{ set +x; } 2>/dev/null
echo
echo "run: the MP3 files are in $sample/mp3; 'build/cli/qar-cli --help' tells the rest."
