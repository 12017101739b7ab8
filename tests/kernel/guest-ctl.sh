#!/usr/bin/env bash
# In the guest: tensiloctl over emulated boards behind the kernel's USB, HID and hidraw drivers.
# - set, defaults and load reach the board byte for byte: the boards' log of what they took is
#   compared with ctl/writes.expected;
# - a board's settings saved to a file and loaded onto another board leave that board holding
#   them;
# - the boards listed for a user who may not open their nodes: "no access", and the hint;
# - watch --csv over a board that sends a report every millisecond, for 10 s: every report, none
#   lost (the board's pattern carries its count: potentiometer 1 is count × 257, the load cell
#   count × 1031, modulo 65536).
#
#   guest-ctl.sh BUILD_DIR RESULT_DIR
set -uo pipefail
build=$1 results=$2
here=$(cd "$(dirname "$0")" && pwd)
ctl=$build/tools/tensiloctl/tensiloctl
log=$results/ctl.writes
plug=("$here/plug" "$build/harness/emulated-board/tensilo-emulated-board" "$here/boards" "$log")
rm -f "$log" "$log".* "$results"/ctl.*

failed=0
fail() { echo "FAILED: $*"; failed=1; }
# Runs tensiloctl; its output goes to ctl.NAME.out and .err, and it must exit with STATUS.
run() {
    local name=$1 status=$2
    shift 2
    "$ctl" "$@" >"$results/ctl.$name.out" 2>"$results/ctl.$name.err"
    local got=$?
    echo "tensiloctl $* -> $got"
    sed 's/^/    /' "$results/ctl.$name.out" "$results/ctl.$name.err"
    [ "$got" = "$status" ] || fail "tensiloctl $* exited with $got, not $status."
}
expect_output() { # NAME, then the whole standard output expected
    [ "$(cat "$results/ctl.$1.out")" = "$2" ] || fail "tensiloctl's output for $1 is not: $2"
}

"${plug[@]}" attach A && "${plug[@]}" attach B || exit 1

run set 0 set --board TS-A1 lc=16 pot2=7.984375
expect_output set "TS-A1: lc=16 pot2=7.984375"
run defaults 0 defaults --board TS-A1
expect_output defaults "TS-A1: lc=500 pot1=1 pot2=1"
run save 0 save --board TS-B2 "$results/ctl.b.json"
run load 0 load --board TS-A1 "$results/ctl.b.json"
expect_output load "TS-A1: lc=24 pot1=15.96875 pot2=2.125"
# What A holds now, saved, is what B held, but for the serial number.
run saved 0 save --board TS-A1 -
sed 's/"TS-A1"/"TS-B2"/' "$results/ctl.saved.out" | diff -u "$results/ctl.b.json" - ||
    fail "A does not hold what was saved from B."

# A user who may not open the nodes: both boards listed as "no access", with the hint.
setpriv --reuid=65534 --regid=65534 --clear-groups "$ctl" list >"$results/ctl.refused.out" \
    2>"$results/ctl.refused.err"
status=$?
echo "tensiloctl list, as a user who may not open the nodes -> $status"
sed 's/^/    /' "$results/ctl.refused.out" "$results/ctl.refused.err"
[ "$status" = 0 ] || fail "list for a refused user exited with $status, not 0."
[ "$(grep -cP '^\t\t\t\tno access\t/dev/hidraw[0-9]+$' "$results/ctl.refused.out")" = 2 ] ||
    fail "list for a refused user does not show two boards with no access."
grep -q "may not open it" "$results/ctl.refused.err" || fail "list for a refused user gives no hint."
"${plug[@]}" detach A && "${plug[@]}" detach B || exit 1

# A report every millisecond for 10 s: the counts in the rows follow one another without a gap.
"${plug[@]}" attach Fast || exit 1
"$ctl" watch --csv --seconds 10 >"$results/ctl.watch.csv" 2>"$results/ctl.watch.err"
status=$?
"${plug[@]}" detach Fast || exit 1
[ "$status" = 0 ] || fail "watch --csv --seconds 10 exited with $status: $(cat "$results/ctl.watch.err")"
awk -F, '
    NR == 1 { header = $0; next }
    {
        count = ($3 * 65281) % 65536   # 65281 is 257^-1 modulo 65536
        if ($2 != (count * 1031) % 65536) wrong++
        if (rows > 0 && count != (last + 1) % 65536) gaps++
        if ($1 < time) backwards++
        last = count; time = $1; rows++
    }
    END {
        printf "watch: %d rows in %.3f s, %d gaps, %d rows not of the pattern, %d times going back\n",
               rows, time, gaps, wrong, backwards
        exit !(header == "time_s,load_cell,pot1,pot2" && rows > 1000 && gaps == 0 && wrong == 0 &&
               backwards == 0)
    }' "$results/ctl.watch.csv" || fail "watch lost reports or wrote them wrong."

touch "$log"
diff -u --label "the writes expected" --label "what the boards took" "$here/ctl/writes.expected" "$log" ||
    fail "the boards did not take exactly the writes of set, defaults and load."
for out in "$log".*.out; do
    [ ! -s "$out" ] || fail "the board ${out##*.writes.} printed: $(cat "$out")"
done
[ "$failed" = 1 ] || echo "passed: tensiloctl over the emulated boards"
exit $failed
