#!/usr/bin/env bash
# Builds the Windows component: build/windows/QuorvelXml.dll (the automation server, with its type
# library inside) and build/windows/QvDateTime.dll (the date-time component), 64-bit, stripped,
# with their runtimes and zlib linked in. Register them on Windows with regsvr32.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/ensure-packages.sh cmake ninja-build g++-mingw-w64-x86-64 mingw-w64-tools libwine-dev libz-mingw-w64-dev
out=build/windows
cmake -S . -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF -DQUORVEL_EXAMPLES=OFF \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$out/cmake" -j "$(nproc)" --target QuorvelXml QvDateTime
for dll in QuorvelXml QvDateTime; do
  x86_64-w64-mingw32-strip -o "$out/$dll.dll" "$out/cmake/automation/$dll.dll"
done
ls -l "$out"/*.dll
