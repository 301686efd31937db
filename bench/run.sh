#!/bin/sh
# Builds and runs the benchmarks (linux preset, optimised) and prints the
# table of figures against their goals. Extra arguments go to the benchmark
# binary, e.g. --benchmark_filter=Processing.
set -eu
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target tardimark_bench
exec ./build/linux/tardimark_bench --benchmark_min_time=0.2 "$@"
