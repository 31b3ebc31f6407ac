#!/bin/sh
# Builds the benchmarks in Release and runs them: the charset conversions against iconv(3),
# compression and encryption against raw zlib and libcrypto, then
# the XML engine against the peer XML libraries (installed from Debian when missing), stepping
# through every match of a search against pugixml, then
# loopback downloads of a 200 MB body by ClsHttp, curl and Python's urllib, then the cost of an
# automation call (IDispatch::Invoke against the direct C++ call, and through the Python host).
# Arguments go to xml_bench (e.g. --scale=0.2 for smaller documents).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/ensure-packages.sh" pkg-config libpugixml-dev libxml2-dev libtinyxml2-dev zlib1g-dev libssl-dev curl
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCH=ON -DQUORVEL_EXAMPLES=OFF
ninja -C "$root/build/bench" -j2 charset_bench codec_bench xml_bench search_bench http_bench automation_bench quorvelxml
"$root/build/bench/bench/charset_bench"
"$root/build/bench/bench/codec_bench"
"$root/build/bench/bench/xml_bench" "$@"
"$root/build/bench/bench/search_bench"
"$root/build/bench/bench/http_bench"
"$root/build/bench/bench/automation_bench"
QUORVEL_LIBRARY="$root/build/bench/automation/libquorvelxml.so" PYTHONPATH="$root/automation/python" \
  PYTHONDONTWRITEBYTECODE=1 python3 "$root/bench/python_host_bench.py"
