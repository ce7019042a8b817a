#!/bin/sh
# Runs every benchmark once and prints their figures one after another.
# Usage: bench/run_all.sh [build folder, default build]. Takes about a minute.
set -eu
build=${1:-build}
for bench in getline_bench render_bytes_bench pause_timing_bench input_wait_bench music_bench \
             map_screen_bench startup_bench battle_sim_bench soak_bench; do
    echo "== $bench"
    "$build/$bench"
    echo
done
