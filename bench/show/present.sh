#!/usr/bin/env bash
# Frames per second the show presents during transitions at 1920x1080 and
# 3840x2160, each under its own private X server, beside the rate of the
# effect kernels alone; arguments are handed to framory_bench_present
# (--all for every effect, --pace N).
#
# usage: bench/show/present.sh [BUILD_DIR] [ARGS...]   (default build/release)
set -euo pipefail
build=${1:-build/release}
shift || true
for size in 1920x1080 3840x2160; do
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 ${size}x24 -nolisten tcp" \
    "$build/bin/framory_bench_present" "$@"
  echo
done
