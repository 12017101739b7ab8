#!/usr/bin/env bash
# In the guest: the cross-built tensilo-hid-list.exe under Wine, whose HID bus reaches the
# emulated boards through the guest's hidraw nodes, with two boards plugged in; then, with one,
# the Win32 backend's board check (tensilo-win32-board-check.exe), and the register write it
# makes compared with what the board took.
#
#   guest-wine.sh BUILD_DIR RESULT_DIR CROSS_BUILD_DIR PREFIX
set -uo pipefail
build=$1 results=$2 cross=$3 prefix=$4
here=$(cd "$(dirname "$0")" && pwd)
plug=("$here/plug" "$build/tools/emulated-board/tensilo-emulated-board" "$here/boards"
      "$results/wine.writes")
rm -f "$results"/wine.writes "$results"/wine.writes.*
export WINEPREFIX=$prefix HOME=/tmp/home TMPDIR=/tmp WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
mkdir -p "$HOME"
# One wineserver for both programs: Wine's start is what takes long under TCG.
wineserver -p
"${plug[@]}" attach A && "${plug[@]}" attach B || exit 1
started=$(date +%s)
timeout 240 wine "$cross/tools/hid-list/tensilo-hid-list.exe" 2>"$results/wine-list.err" |
    tr -d '\r' >"$results/wine-list.out"
echo "tensilo-hid-list.exe took $(( $(date +%s) - started )) s (Wine's first start included)"
cat "$results/wine-list.out"
failed=0
for serial in TS-A1 TS-B2; do
    grep -E "^\* .*vendor 0x1209 product 0x7E51 version 0x0(101|203) +serial \"$serial\".*input 7 feature 17$" \
        "$results/wine-list.out" >/dev/null ||
        { echo "Wine did not list the board $serial with its IDs, version and report lengths."; failed=1; }
done
grep -q ", 2 Tensilo boards$" "$results/wine-list.out" ||
    { echo "Wine did not count two Tensilo boards."; failed=1; }
"${plug[@]}" detach A || exit 1
started=$(date +%s)
timeout 240 wine "$cross/tests/backends/windows/check/tensilo-win32-board-check.exe" 2>&1 | tr -d '\r' ||
    failed=1
echo "tensilo-win32-board-check.exe took $(( $(date +%s) - started )) s"
echo "B 00 01 07 42 00 00 00 00 00 00 00 00 00 00 00 00 00" >"$results/wine.writes.expected"
diff -u --label "the register write" --label "what B took" "$results/wine.writes.expected" \
    "$results/wine.writes" || failed=1
for out in "$results"/wine.writes.*.out; do
    [ ! -s "$out" ] || { echo "The board ${out##*.writes.} printed:"; cat "$out"; failed=1; }
done
timeout 60 wineserver -k 2>/dev/null
"${plug[@]}" detach B || exit 1
exit $failed
