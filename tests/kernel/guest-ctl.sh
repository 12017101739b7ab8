#!/usr/bin/env bash
# In the guest: tensiloctl over emulated boards behind the kernel's USB, HID and hidraw drivers.
# - set, defaults and load reach the board byte for byte: the boards' log of what they took is
#   compared with ctl/writes.expected;
# - a board's settings saved to a file and loaded onto another board leave that board holding
#   them;
# - the boards listed for a user who may not open their nodes: "no access", and the hint;
# - watch --csv over a board that sends a report every millisecond, for 10 s: every report, none
#   lost (see watch-rows.awk), read at once and (stalled-reader) behind a reader that stalls;
# - the end-of-line test over good and odd boards (end-of-line, guest-end-of-line.sh).
#
#   guest-ctl.sh BUILD_DIR RESULT_DIR NOT_YET
set -uo pipefail
build=$1 results=$2 not_yet=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
log=$results/ctl.writes
source "$here/guest-lib.sh"
rm -f "$log" "$log".* "$results"/ctl.*

plug attach A && plug attach B || exit 1

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
plug detach A && plug detach B || exit 1

# A report every millisecond for 10 s: the counts in the rows follow one another without a gap.
plug attach Fast || exit 1
"$ctl" watch --csv --seconds 10 >"$results/ctl.watch.csv" 2>"$results/ctl.watch.err"
status=$?
[ "$status" = 0 ] || fail "watch --csv --seconds 10 exited with $status: $(cat "$results/ctl.watch.err")"
expect_watch_rows "$results/ctl.watch.csv" time_s,load_cell,pot1,pot2 1 1000
# The same behind a pipe of 4096 bytes whose reader sleeps 3 s: the board is still read while the
# output waits, so no report is lost.
if ! waiting stalled-reader; then
    python3 "$here/slow-reader.py" "$results/ctl.stalled.csv" "$ctl" watch --csv --seconds 10 \
        2>"$results/ctl.stalled.err"
    status=$?
    [ "$status" = 0 ] ||
        fail "watch behind a stalled reader exited with $status: $(cat "$results/ctl.stalled.err")"
    expect_watch_rows "$results/ctl.stalled.csv" time_s,load_cell,pot1,pot2 1 1000
fi
plug detach Fast || exit 1

touch "$log"
diff -u --label "the writes expected" --label "what the boards took" "$here/ctl/writes.expected" "$log" ||
    fail "the boards did not take exactly the writes of set, defaults and load."
expect_boards_quiet
waiting end-of-line || bash "$here/guest-end-of-line.sh" "$build" "$results" || failed=1
[ "$failed" = 1 ] || echo "passed: tensiloctl over the emulated boards"
exit $failed
