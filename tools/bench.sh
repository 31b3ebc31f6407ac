#!/bin/sh
# Builds the charset benchmark in Release and runs it.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCH=ON -DQUORVEL_EXAMPLES=OFF
ninja -C "$root/build/bench" -j2 charset_bench
"$root/build/bench/bench/charset_bench"
