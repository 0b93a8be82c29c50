#!/usr/bin/env bash
# Runs the real show under a private X server over a folder of 100 copies of
# 24-megapixel photos at 1920x1080 and prints its peak memory, whether the
# memory grows from the first to the last pictures, and its processor use
# while a picture is held, beside the same figures for the bundled samples.
#
# usage: bench/show/measure_show.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
build=${1:-build/release}
framory=$build/bin/framory
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 100 names for two photos: hard links, so every picture is decoded afresh.
mkdir -p "$work/photos"
QT_QPA_PLATFORM=offscreen "$build/bin/framory_bench_show" --benchmark_filter=none >/dev/null 2>&1 || true
for i in $(seq 1 100); do
  ln "${TMPDIR:-/tmp}/framory-bench-photos/photo$((i % 2)).jpg" "$work/photos/p$(printf %03d "$i").jpg"
done

measure() { # label, folder, seconds, scene_delay
  local label=$1 folder=$2 seconds=$3 delay=$4
  mkdir -p "$work/$label/config"
  printf '[Options]\nfolders_total=1\nfolder1=%s/\nscene_delay=%s\nsound_on=0\n' "$folder" "$delay" \
    > "$work/$label/config/Obelin Framory.ini"
  XDG_CONFIG_HOME=$work/$label/config XDG_DATA_HOME=$work/$label/data SDL_AUDIODRIVER=dummy \
    xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" bash -c '
      "$1" /S & pid=$!
      sleep 3
      first=0; last=0; n=0
      end=$((SECONDS + $2))
      while [ $SECONDS -lt $end ]; do
        rss=$(awk "/VmRSS/ {print \$2}" /proc/$pid/status)
        n=$((n + 1)); [ $n -eq 5 ] && first=$rss; last=$rss
        sleep 1
      done
      peak=$(awk "/VmHWM/ {print \$2}" /proc/$pid/status)
      # Processor time over 3 seconds inside a hold.
      t0=$(awk "{print \$14 + \$15}" /proc/$pid/stat); sleep 3; t1=$(awk "{print \$14 + \$15}" /proc/$pid/stat)
      hz=$(getconf CLK_TCK)
      kill $pid; wait $pid 2>/dev/null || true
      awk -v l="$3" -v p="$peak" -v f="$first" -v z="$last" -v a="$t0" -v b="$t1" -v hz="$hz" "BEGIN {
        printf \"%-8s peak %6.1f MB, after 5 s %6.1f MB, at the end %6.1f MB, CPU in a hold %.2f %% of a core\n\",
          l, p / 1024, f / 1024, z / 1024, (b - a) / hz / 3 * 100 }"
    ' measure "$framory" "$seconds" "$label"
}

measure photos "$work/photos" 150 1
measure samples "$(cd "$(dirname "$0")/../.." && pwd)/$build/share/framory/samples" 10 60
