#!/usr/bin/env bash
# In the guest: the cross-built tensilo-hid-list.exe under Wine, whose HID bus reaches the
# emulated boards through the guest's hidraw nodes, with two boards plugged in; then, with one,
# the Win32 backend's board check (tensilo-win32-board-check.exe), which pulls the board out while
# it reads. Before it, tensilo-scenario.exe --system-boards runs a scenario file over both boards,
# and tensiloctl.exe lists, shows and sets the board left.
# What the boards took is compared with the writes expected of both.
#
#   guest-wine.sh BUILD_DIR RESULT_DIR CROSS_BUILD_DIR PREFIX WINDOWS_PROGRAMS_DIR
set -uo pipefail
build=$1 results=$2 cross=$3 prefix=$4 programs=$5
here=$(cd "$(dirname "$0")" && pwd)
run_unix=$cross/tests/backends/windows/check/tensilo-run-unix.exe
plug=("$here/plug" "$build/harness/emulated-board/tensilo-emulated-board" "$here/boards"
      "$results/wine.writes")
rm -f "$results"/wine.writes "$results"/wine.writes.*
# A home and a temporary folder (wineserver's socket) of its own: the guest's /tmp shows the
# host's files.
work=$(mktemp -d)
export WINEPREFIX=$prefix HOME=$work/home TMPDIR=$work/tmp WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
mkdir -p "$HOME" "$TMPDIR"
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
# tensilo-scenario.exe over both boards; its plug command goes through tensilo-run-unix.exe, since
# Wine neither waits for a Unix program it starts nor tells its exit status. The file pulls A out.
# Its words are quoted, as paths may hold spaces.
started=$(date +%s)
timeout 240 wine "$programs/tensilo-scenario.exe" --system-boards \
    --plug "$(printf '"%s" ' "$run_unix" "${plug[@]}")" \
    "$here/wine-scenarios/present_boards.scenario" 2>&1 |
    tr -d '\r' || { echo "FAILED present_boards.scenario"; failed=1; }
echo "tensilo-scenario.exe took $(( $(date +%s) - started )) s"
[ ! -f /run/tensilo-plug/A.pid ] || "${plug[@]}" detach A || exit 1
# tensiloctl.exe over Wine's HID stack, with B left: list, show, a gain set, then the defaults
# back, which the board check below expects B to hold.
ctl() { # EXPECTED_OUTPUT ARG...: runs tensiloctl.exe, which must print that and exit with 0
    local expected=$1 output status
    shift
    output=$(timeout 120 wine "$programs/tensiloctl.exe" "$@" 2>&1 | tr -d '\r'; exit "${PIPESTATUS[0]}")
    status=$?
    echo "tensiloctl.exe $* -> $status"
    sed 's/^/    /' <<<"$output"
    [ "$status" = 0 ] && grep -qE "$expected" <<<"$output" ||
        { echo "FAILED: tensiloctl.exe $* did not print $expected and exit with 0."; failed=1; }
}
started=$(date +%s)
ctl $'^TS-B2\t[^\t]*\t[^\t]*\t2\\.3\tsettable\t' list
ctl $'^registers\t0F 01 08 00 08 00 F4 00 00$' show
ctl '^TS-B2: pot1=2$' set --board TS-B2 pot1=2
ctl '^TS-B2: lc=500 pot1=1 pot2=1$' defaults
echo "tensiloctl.exe took $(( $(date +%s) - started )) s for four commands"
started=$(date +%s)
timeout 240 wine "$cross/tests/backends/windows/check/tensilo-win32-board-check.exe" \
    "$run_unix" "${plug[@]}" detach B 2>&1 | tr -d '\r' || failed=1
echo "tensilo-win32-board-check.exe took $(( $(date +%s) - started )) s"
# The check pulls B out itself; it is still in when the check ended early.
[ ! -f /run/tensilo-plug/B.pid ] || "${plug[@]}" detach B || exit 1
# The scenario's picks on B, as on Linux, then tensiloctl's (pot1 2; the nine defaults), then the
# check's register write on B.
{ sed 's/^A /B /' "$here/scenarios/one-board/gain_writes.writes"
  for write in "02 08" "03 01" "07 00" \
               "02 08" "03 00" "07 00" "04 08" "05 00" "08 00" "00 0F" "01 01" "06 F4"; do
      echo "B 00 01 $write 00 00 00 00 00 00 00 00 00 00 00 00 00"
  done
  echo "B 00 01 07 42 00 00 00 00 00 00 00 00 00 00 00 00 00"; } >"$results/wine.writes.expected"
diff -u --label "the writes expected" --label "what the boards took" "$results/wine.writes.expected" \
    "$results/wine.writes" || failed=1
for out in "$results"/wine.writes.*.out; do
    [ ! -s "$out" ] || { echo "The board ${out##*.writes.} printed:"; cat "$out"; failed=1; }
done
timeout 60 wineserver -k 2>/dev/null
exit $failed
