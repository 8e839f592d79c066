#!/usr/bin/env bash
# Parallel encoding: eight one-minute files with qar-cli --jobs 2 against --jobs 1, and
# against two lame processes side by side over the same files. Prints figures.
#   bench/jobs_bench.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
cli="$build/cli/qar-cli"
work=$(mktemp -d /tmp/qar-jobs-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/wav"
for i in 1 2 3 4 5 6 7 8; do
  sox -q -n -r 44100 -c 2 -b 16 "$work/wav/f$i.wav" synth 60 pinknoise synth sine mix $((200 + 30 * i)) vol 0.4
done
opts=(-q -b 128 --mode quality --stereo joint --vbr off)
now() { date +%s.%N; }
secs() { echo "$2 - $1" | bc -l; }

t0=$(now); "$cli" "${opts[@]}" -j 1 -o "$work/one" "$work/wav"; t1=$(now)
"$cli" "${opts[@]}" -j 2 -o "$work/two" "$work/wav"; t2=$(now)
ls "$work"/wav/*.wav | xargs -P 2 -I{} sh -c 'lame --quiet -b 128 -q 2 -m j --noreplaygain "$1" "$1.lame.mp3"' _ {}
t3=$(now)

one=$(secs "$t0" "$t1"); two=$(secs "$t1" "$t2"); lame=$(secs "$t2" "$t3")
printf 'eight 60 s files, 44.1 kHz 16-bit stereo, 128 kbit/s CBR, quality mode, %s cores\n' "$(nproc)"
printf 'qar-cli --jobs 1: %.2f s\n' "$one"
printf 'qar-cli --jobs 2: %.2f s  (ratio to --jobs 1: %.3f)\n' "$two" "$(echo "$two / $one" | bc -l)"
printf 'two lame processes side by side: %.2f s  (qar-cli --jobs 2 / lame: %.3f)\n' "$lame" "$(echo "$two / $lame" | bc -l)"
for f in "$work"/two/*.mp3; do cmp -s "$f" "$work/one/$(basename "$f")" || echo "DIFFERENT: $f"; done
