#!/usr/bin/env bash
# The main job: builds the library, runs the example programs, installs the library with its
# Python package under /usr/local and runs the Python examples through the installed package.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/ensure-packages.sh cmake ninja-build g++ googletest zlib1g-dev libssl-dev pkg-config python3
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native --target quorvel_core quorvelxml quorvel_demo quorvel_feed_demo
build/native/examples/quorvel_demo
build/native/examples/quorvel_feed_demo

prefix=${QUORVEL_DEMO_PREFIX:-/usr/local}
echo
echo "== Installing into $prefix (C++ headers, libraries, pkg-config file, Python package)"
cmake --install build/native --prefix "$prefix" >/dev/null
export PYTHONPATH=$prefix/lib/python3/dist-packages${PYTHONPATH:+:$PYTHONPATH}
PYTHONDONTWRITEBYTECODE=1 python3 examples/python/book_catalog.py
PYTHONDONTWRITEBYTECODE=1 python3 examples/python/feeds.py
