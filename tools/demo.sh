#!/usr/bin/env bash
# The main job: builds the library and runs the example programs.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/ensure-packages.sh cmake ninja-build g++ googletest zlib1g-dev libssl-dev
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native --target quorvel_demo quorvel_feed_demo
build/native/examples/quorvel_demo
build/native/examples/quorvel_feed_demo
