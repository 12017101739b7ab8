#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in a tree of their own (like a cross build).
# Usage: build-fuzzers.sh SOURCE_DIR FUZZ_BUILD_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build_dir=$2

missing=()
for tool in clang++ cmake ninja; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "FAIL: not installed: ${missing[*]}. The fuzz targets need the Debian packages clang and" \
         "libclang-rt-14-dev; scripts/install-deps installs them." >&2
    exit 1
fi

mkdir -p "$build_dir"
if ! cmake -S "$source_dir/tests/fuzz/targets" -B "$build_dir" -G Ninja \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= >"$build_dir/configure.log" 2>&1; then
    cat "$build_dir/configure.log"
    echo "FAIL: configuring the fuzz targets" >&2
    exit 1
fi
if ! cmake --build "$build_dir" -j2; then
    echo "FAIL: building the fuzz targets (is libclang-rt-14-dev installed?)" >&2
    exit 1
fi
echo "fuzz targets built in $build_dir: $(cat "$build_dir/fuzz-targets.txt")"
