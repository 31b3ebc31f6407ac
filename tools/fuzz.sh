#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (under ASan and UBSan) and runs one or all.
#   tools/fuzz.sh --list             the targets
#   tools/fuzz.sh [TARGET] [SECONDS] one target, or all when TARGET is "all" or missing; 60 s each
# (QUORVEL_FUZZ_BUILD names another build folder than build/fuzz; QUORVEL_FUZZ_SEED fixes the
# fuzzer's random seed, so that a short run is the same each time; QUORVEL_FUZZ_RUNS ends a target
# after that many executions when it comes before SECONDS)
# Each target keeps its corpus in BUILD/corpus/TARGET, seeded from fuzz/seeds/TARGET and fed
# fuzz/TARGET.dict when there is one; a crash, leak, hang or broken rule is written to
# BUILD/artifacts/TARGET/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t all < <(ls fuzz/*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
if [ "${1:-}" = "--list" ]; then printf '%s\n' "${all[@]}"; exit 0; fi
target=${1:-all} seconds=${2:-60}
if [ "$target" = all ]; then targets=("${all[@]}"); else targets=("$target"); fi
for t in "${targets[@]}"; do
  [ -f "fuzz/$t.cpp" ] || { echo "no fuzz target $t (tools/fuzz.sh --list)"; exit 2; }
done

tools/ensure-packages.sh clang cmake ninja-build zlib1g-dev libssl-dev
build=${QUORVEL_FUZZ_BUILD:-build/fuzz}  # another folder lets two runs build side by side
cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEL_FUZZ=ON -DQUORVEL_TESTS=OFF -DQUORVEL_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t artifacts=$build/artifacts/$t/
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  [ -d "fuzz/seeds/$t" ] && seeds+=("fuzz/seeds/$t")
  options=(-max_total_time="$seconds" -seed="${QUORVEL_FUZZ_SEED:-0}" -timeout=20 -rss_limit_mb=3072 -max_len=65536 -artifact_prefix="$artifacts"
           -print_final_stats=1)
  [ -f "fuzz/$t.dict" ] && options+=(-dict="fuzz/$t.dict")
  [ -n "${QUORVEL_FUZZ_RUNS:-}" ] && options+=(-runs="$QUORVEL_FUZZ_RUNS")
  echo "=== fuzz $t for $seconds s"
  if "$build/fuzz/fuzz_$t" "${options[@]}" "$corpus" "${seeds[@]}" 2>"$build/$t.log"; then
    grep -E "^stat::number_of_executed_units|cov: " "$build/$t.log" | tail -2
  else
    tail -40 "$build/$t.log"
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then echo "Fuzz targets that failed: ${failed[*]}"; exit 1; fi
echo "Fuzz targets clean: ${targets[*]}"
