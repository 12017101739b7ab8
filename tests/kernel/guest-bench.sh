#!/usr/bin/env bash
# In the guest: a bench of boards at once.
# - watch-all: `tensiloctl watch --all --seconds 10 --csv` over four boards that each send a
#   report every millisecond: one stream, every board's counts without a gap, time in order.
# - two-writers: two tensiloctl processes (`set lc=700` and `set lc=2.5`, 30 times each) and the
#   window (observed/window_writes.scenario) write gains to one board at the same time. Each gain
#   is three register writes; the board's log must show every gain's three together, each gain
#   asked for taken exactly once (observed/two-writers.gains), and every set read back as written.
#
#   guest-bench.sh BUILD_DIR RESULT_DIR NOT_YET
set -uo pipefail
build=$1 results=$2 not_yet=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
log=$results/bench.writes
source "$here/guest-lib.sh"
rm -f "$log" "$log".* "$results"/bench.*
# A runtime folder of its own (mode 700, as Qt wants it): the guest's /tmp shows the host's files.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d)

fast_boards=(Fast Fast1 Fast2 Fast3)

watch_all() {
    local board
    for board in "${fast_boards[@]}"; do plug attach "$board" || exit 1; done
    "$ctl" watch --all --seconds 10 --csv >"$results/bench.watch.csv" 2>"$results/bench.watch.err"
    local status=$?
    for board in "${fast_boards[@]}"; do plug detach "$board" || exit 1; done
    [ "$status" = 0 ] || fail "watch --all exited with $status: $(cat "$results/bench.watch.err")"
    # The emulation sets the pace: about 190 reports a second from each of four boards here.
    expect_watch_rows "$results/bench.watch.csv" time_s,serial,load_cell,pot1,pot2 4 500
}

# Sets lc to GAIN 30 times; bench.setGAIN holds how many of the sets did not exit 0, .err what
# they said.
set_loop() { # GAIN
    local i refused=0
    for ((i = 0; i < 30; i++)); do
        "$ctl" set --board TS-A1 "lc=$1" >/dev/null 2>>"$results/bench.set$1.err" ||
            refused=$((refused + 1))
    done
    echo "$refused" >"$results/bench.set$1"
}

two_writers() {
    plug attach A || exit 1
    timeout 300 "$build/harness/scenario/tensilo-scenario" --system-boards \
        "$here/observed/window_writes.scenario" >"$results/bench.window.out" 2>&1 &
    local window=$!
    set_loop 700 &
    local loops=($!)
    set_loop 2.5 &
    loops+=($!)
    wait "${loops[@]}"
    wait "$window"
    local status=$?
    plug detach A || exit 1
    cat "$results/bench.window.out"
    [ "$status" = 0 ] || fail "the window's scenario ended with status $status."
    local gain
    for gain in 700 2.5; do
        [ "$(cat "$results/bench.set$gain")" = 0 ] ||
            fail "$(cat "$results/bench.set$gain") of 30 sets of lc=$gain failed: $(cat "$results/bench.set$gain.err")"
    done
    expect_gains_whole
}

# Board A's log: every gain's three writes together, each gain asked for taken once, the writers
# taking turns.
expect_gains_whole() {
    touch "$log"
    awk -v board=A -f "$here/gain-triples.awk" "$log" >"$results/bench.gains" ||
        fail "gains were broken up: $(grep -c broken "$results/bench.gains") writes out of their gain's three."
    # A pass says something only when the window and tensiloctl wrote at the same time: their
    # gains must take turns in the log (tensiloctl's are the load cell's 700 and 2.5).
    local turns
    turns=$(awk '!/broken/ { by = ($0 == "lc 0F 02 5E" || $0 == "lc 08 01 40") ? "ctl" : "window"
                             if (NR > 1 && by != last) turns++; last = by }
                 END { print turns + 0 }' "$results/bench.gains")
    echo "the window's and tensiloctl's gains took turns $turns times"
    [ "$turns" -ge 10 ] || fail "the window and tensiloctl hardly wrote at the same time."
    grep -v broken "$results/bench.gains" | sort | uniq -c | awk '{ print $2, $3, $4, $5, $1 }' |
        diff -u --label "the gains asked for" --label "the gains taken whole" \
            <(grep -v '^#' "$here/observed/two-writers.gains") - ||
        fail "the board did not take every gain asked for, whole, once."
}

for check in watch-all two-writers; do
    waiting "$check" || "${check//-/_}"
done
expect_boards_quiet
[ "$failed" = 1 ] || echo "passed: the bench of boards at once"
exit $failed
