#!/usr/bin/env bash
# Checks the library as its users meet it: installs a build into a scratch prefix, compiles
# every installed header on its own, builds and runs the README's first program with pkg-config
# (the program in the README must be the file examples/first_program/main.cpp), and runs the
# README's Python lines against the installed package as written, with the scratch prefix in
# place of /usr/local.
# Usage: tools/check-installed.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: tools/check-installed.sh BUILD_DIR}
prefix=$PWD/$build/install-check
program=examples/first_program/main.cpp

# The README's code block after "A first program" is the program file, byte for byte.
if ! diff <(awk '/^A first program/{f=1; next} f&&/^```cpp/{p=1; next} p&&/^```/{exit} p' README.md) "$program"; then
  echo "README.md's first program differs from $program"; exit 1
fi

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
cflags=$(pkg-config --cflags quorvel)

# Every installed header compiles alone: it includes what its declarations need.
headers=$(cd "$prefix/include/quorvel" && find . -name '*.h' | sed 's|^\./||' | sort)
compile_alone() { printf '#include "%s"\n' "$1" | c++ $cflags -fsyntax-only -x c++ - || echo "not self-contained: $1"; }
export -f compile_alone; export cflags
bad=$(echo "$headers" | xargs -P "$(nproc)" -n 1 bash -c 'compile_alone "$0"' 2>&1 | grep '^not self-contained' || true)
[ -z "$bad" ] || { echo "$bad"; echo "Installed headers must include what their declarations need."; exit 1; }
echo "$(echo "$headers" | wc -l) installed headers compile alone."

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
c++ -o "$out/first_program" "$program" $(pkg-config --cflags --libs quorvel)
got=$("$out/first_program")
if [ "$got" != "Les Misérables" ]; then
  echo "The first program printed '$got' instead of 'Les Misérables'"; exit 1
fi
echo "The README's first program builds with pkg-config and prints: $got"

# The README's Python lines: the shell block after "## Using it from Python".
python_lines=$(awk '/^## Using it from Python/{f=1; next} f&&/^```sh/{p=1; next} p&&/^```/{exit} p' README.md)
[ -n "$python_lines" ] || { echo "README.md has no Python lines to check"; exit 1; }
got=$(env -u QUORVEL_LIBRARY PYTHONDONTWRITEBYTECODE=1 bash -c "${python_lines//\/usr\/local/$prefix}" 2>&1) || true
expected=$'Les Misérables\nGabriel García Márquez 1967 5\nNone'
if [ "$got" != "$expected" ]; then
  printf "The README's Python lines printed:\n%s\ninstead of:\n%s\n" "$got" "$expected"; exit 1
fi
echo "The README's Python lines run against the installed package."
