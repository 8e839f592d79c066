#!/usr/bin/env bash
# Parallel encoding: eight one-minute files with qar-cli --jobs 2 against --jobs 1, and
# against two lame processes side by side over the same files. Runs alternate; medians are
# printed.   bench/jobs_bench.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
cli="$build/cli/qar-cli"
work=$(mktemp -d /tmp/qar-jobs-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/wav"
for i in 1 2 3 4 5 6 7 8; do
  sox -q -n -r 44100 -c 2 -b 16 "$work/wav/f$i.wav" synth 60 pinknoise synth sine mix $((200 + 30 * i)) vol 0.4
done
opts=(-q --all -b 128 --mode quality --stereo joint --vbr off)
now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: > "$work/one"; : > "$work/two"; : > "$work/lame"
for r in $(seq "$runs"); do
  t0=$(now); "$cli" "${opts[@]}" -j 1 -o "$work/out1" "$work/wav"; t1=$(now)
  "$cli" "${opts[@]}" -j 2 -o "$work/out2" "$work/wav"; t2=$(now)
  ls "$work"/wav/*.wav | xargs -P 2 -I{} sh -c 'lame --quiet -b 128 -q 2 -m j --noreplaygain "$1" "$1.lame.mp3"' _ {}
  t3=$(now)
  echo "$t1 - $t0" | bc -l >> "$work/one"
  echo "$t2 - $t1" | bc -l >> "$work/two"
  echo "$t3 - $t2" | bc -l >> "$work/lame"
done
one=$(median < "$work/one"); two=$(median < "$work/two"); lame=$(median < "$work/lame")
printf 'eight 60 s files, 44.1 kHz 16-bit stereo, 128 kbit/s CBR, quality mode, %s cores, median of %s runs\n' "$(nproc)" "$runs"
printf 'qar-cli --jobs 1: %.2f s\n' "$one"
printf 'qar-cli --jobs 2: %.2f s  (ratio to --jobs 1: %.3f)\n' "$two" "$(echo "$two / $one" | bc -l)"
printf 'two lame processes side by side: %.2f s  (qar-cli --jobs 2 / lame: %.3f)\n' "$lame" "$(echo "$two / $lame" | bc -l)"
for f in "$work"/out2/*.mp3; do cmp -s "$f" "$work/out1/$(basename "$f")" || echo "DIFFERENT: $f"; done
