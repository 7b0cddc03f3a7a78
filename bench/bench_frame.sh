#!/usr/bin/env bash
# Runs the frame benchmark on a private X server twice: with Mesa's llvmpipe
# rasteriser, then with GALLIUM_NOOP=1 (the GL's CPU cost only). Each run
# ends with its table of speed-ups over the baseline.
# Usage: bench/bench_frame.sh [build-dir] [Google Benchmark options...]
set -euo pipefail
build=${1:-build}
shift || true
for noop in 0 1; do
  xvfb-run -a -s "-noreset -screen 0 800x700x24" env LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_NOOP=$noop \
    "$build/bench/bench_frame" --benchmark_counters_tabular=true "$@"
done
