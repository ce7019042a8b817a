#!/bin/sh
# Runs every benchmark once and prints one table of their figures, as
# Markdown. Each benchmark's own detailed output goes to
# BUILD/bench_details.txt. Takes about seven minutes; with LOAD_BENCH=1 the
# load benchmark (1, 10, 50 and 200 games at once) runs too, about six
# minutes more, and wants the machine to itself.
# Usage: [LOAD_BENCH=1] sh bench/run_all.sh [build folder, default build]
set -eu
build=${1:-build}
details=$build/bench_details.txt
: >"$details"
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT

for bench in getline_bench render_bytes_bench pause_timing_bench input_wait_bench "lost_clicks_bench 100" \
             "music_bench 200 dummy" "music_bench 200 none" "music_bench 50 pulseaudio" "music_bench 50 pipewire" \
             startup_bench battle_sim_bench soak_bench keeper_bench animation_traffic_bench ${LOAD_BENCH:+load_bench}; do
    echo "== $bench" >>"$details"
    # shellcheck disable=SC2086
    if ! "$build"/$bench >"$rows.out" 2>&1; then
        cat "$rows.out" >&2
        echo "run_all: $bench failed" >&2
        exit 1
    fi
    grep -v '^TABLE	' "$rows.out" >>"$details" || true
    echo >>"$details"
    name=${bench%% *}
    grep '^TABLE	' "$rows.out" | sed "s/^TABLE	/${name%_bench}	/" >>"$rows" || true
done
rm -f "$rows.out"

echo "| benchmark | measured | figure |"
echo "|---|---|---|"
awk -F '\t' '{ printf "| %s | %s | %s |\n", $1, $2, $3 }' "$rows"
echo
echo "(details: $details)"
