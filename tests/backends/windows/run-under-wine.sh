#!/usr/bin/env bash
# Cross-compiles tensilo-hid-list and the Win32 backend's check program with mingw-w64, then runs
# both under Wine in a fresh, throw-away prefix. They run from the build folder, without the
# compiler's runtime DLLs beside them, so this build links the runtime in (as do the programs it
# builds for the guest of tests/kernel). Wine offers two HID interfaces of vendor 0x845E,
# a mouse (product 0x0001, input reports of 2 bytes) and a keyboard (0x0002, 14 bytes).
# Usage: run-under-wine.sh SOURCE_DIR CROSS_BUILD_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build_dir=$2

source "$(dirname "$0")/../../windows/wine-prefix.sh"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
require_tools x86_64-w64-mingw32-g++-posix wine wineserver cmake ninja timeout

echo "=== cross build in $build_dir"
mkdir -p "$build_dir"
if ! timeout 300 cmake -S "$source_dir" -B "$build_dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
        -DTENSILO_BUILD_GUI=OFF -DTENSILO_BUILD_TESTS=OFF -DTENSILO_WERROR=ON \
        -DTENSILO_BUILD_WIN32_CHECK=ON \
        -DCMAKE_EXE_LINKER_FLAGS="-static -static-libgcc -static-libstdc++" \
        >"$build_dir/configure.log" 2>&1; then
    cat "$build_dir/configure.log"
    fail "configuring the cross build"
fi
timeout 1000 cmake --build "$build_dir" -j2 --target tensilo-hid-list tensilo-win32-check ||
    fail "building with mingw-w64"
lister=$build_dir/tools/hid-list/tensilo-hid-list.exe
checker=$build_dir/tests/backends/windows/check/tensilo-win32-check.exe

echo "=== Wine prefix"
fresh_wine_prefix
unset DISPLAY WAYLAND_DISPLAY

echo "=== tensilo-hid-list.exe"
status=0
timeout 60 wine "$lister" >"$work/list.out" 2>"$work/list.err" || status=$?
tr -d '\r' <"$work/list.out" >"$work/list.txt"
cat "$work/list.txt"
expect "tensilo-hid-list exits with 0 (got $status)" test "$status" -eq 0
expect "the mouse is listed with its report length" \
    grep -q '^  .*vendor 0x845E product 0x0001 .*product "Wine HID mouse"  input 2 feature 0$' \
    "$work/list.txt"
expect "the keyboard is listed with its report length" \
    grep -q '^  .*vendor 0x845E product 0x0002 .*product "Wine HID keyboard"  input 14 feature 0$' \
    "$work/list.txt"
expect "the summary line closes the list" \
    test "$(tail -n 1 "$work/list.txt")" = "2 interfaces, 0 Tensilo boards"

echo "=== tensilo-win32-check.exe"
status=0
timeout 120 wine "$checker" >"$work/check.out" 2>"$work/check.err" || status=$?
tr -d '\r' <"$work/check.out" | tee "$work/check.txt"
expect "tensilo-win32-check exits with 0 (got $status)" test "$status" -eq 0
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$work/check.txt" | tail -n 1 || true)
expect "tensilo-win32-check prints its summary" test -n "$summary"
if [[ -n $summary ]]; then
    read -r check_passed _ check_failed _ <<<"$summary"
    passed=$((passed + check_passed))
    failed=$((failed + check_failed))
fi
if [[ $failed -gt 0 || $status -ne 0 ]]; then
    for log in "$work/list.err" "$work/check.err"; do
        if [[ -s $log ]]; then
            echo "--- $log"
            cat "$log"
        fi
    done
fi

echo "windows: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
