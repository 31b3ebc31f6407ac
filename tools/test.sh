#!/usr/bin/env bash
# Runs every test in three legs: native, native under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows x64 cross-build under Wine; then every fuzz target
# for 20 seconds. Any failing leg fails.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/ensure-packages.sh cmake ninja-build g++ googletest python3 \
  g++-mingw-w64-x86-64 wine wine64 zlib1g-dev libssl-dev libz-mingw-w64-dev openssl tzdata pkg-config mingw-w64-tools libwine-dev nginx-light \
  clang || exit 1

# Includes point down the layers; a violation fails before any leg is built.
echo "=== layers"
python3 tools/check-layers.py || { echo "=== layers: FAILED"; exit 1; }

jobs=$(nproc)
# Tests of memory exhaustion need allocations that fail instead of aborting.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()

run_leg() {
  local name=$1 dir=$2; shift 2
  echo "=== $name"
  local start=$SECONDS
  if cmake -S . -B "$dir" -G Ninja -DQUORVEL_TESTS=ON "$@" >/dev/null \
     && cmake --build "$dir" -j "$jobs" \
     && ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs"; then
    echo "=== $name: passed in $((SECONDS - start)) s"
  else
    echo "=== $name: FAILED"
    failed+=("$name")
  fi
}

run_leg "native" build/native
echo "=== installed headers and the README's first program"
tools/check-installed.sh build/native || failed+=("installed headers")
run_leg "sanitizers" build/asan -DQUORVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_EXAMPLES=OFF
run_leg "windows x64 under wine" build/mingw \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQUORVEL_EXAMPLES=OFF

# Every fuzz target for a short while, so that none of them rots (tools/fuzz.sh runs them longer).
echo "=== fuzz targets, 20 s each"
start=$SECONDS
if QUORVEL_FUZZ_SEED=1 tools/fuzz.sh all 20; then
  echo "=== fuzz targets: passed in $((SECONDS - start)) s"
else
  echo "=== fuzz targets: FAILED"
  failed+=("fuzz targets")
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed legs: ${failed[*]}"
  exit 1
fi
echo "All legs passed."
