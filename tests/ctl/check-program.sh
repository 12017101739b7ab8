#!/usr/bin/env bash
# The built tensiloctl as a process: --help, --version, a usage error, the demo's boards, its
# watch ended by SIGTERM, by SIGINT and by a reader that goes away, the gains, and a settings file
# carried from one board to another through a pipe. It needs no display and no Qt GUI module.
# Usage: check-program.sh TENSILOCTL VERSION
set -uo pipefail
ctl=$1
version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tensiloctl-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Job control: background commands get SIGINT as a foreground one does.
set -m
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

source "$(dirname "$0")/../expect.sh"
# Runs tensiloctl with the arguments given; its output, errors and status go to $work/NAME.*.
run() {
    local name=$1 status=0
    shift
    timeout 60 "$ctl" "$@" >"$work/$name.out" 2>"$work/$name.err" </dev/null || status=$?
    echo "$status" >"$work/$name.status"
}
status_of() { cat "$work/$1.status"; }
empty() { [[ ! -s $1 ]]; }
# The file is watch --csv's header, then rows of it.
csv_rows() {
    [[ $(head -n 1 "$1") == time_s,load_cell,pot1,pot2 ]] &&
        ! grep -Evq '^[0-9]+\.[0-9]{3},[0-9]+,[0-9]+,[0-9]+$' <(tail -n +2 "$1")
}
# The file ends with a whole line.
whole_lines() { [[ -s $1 && $(tail -c 1 "$1" | od -An -c | tr -d ' ') == '\n' ]]; }

if command -v ldd >/dev/null; then
    expect "tensiloctl does not load Qt's GUI modules" \
        test "$(ldd "$ctl" | grep -cE 'libQt6(Gui|Widgets)')" -eq 0
fi

run help --help
expect "--help exits with 0" test "$(status_of help)" -eq 0
expect "--help prints the usage on standard output" \
    test "$(head -n 1 "$work/help.out")" = "Usage: tensiloctl [--demo] [--verbose] COMMAND [ARGS]"
expect "--help prints nothing on standard error" empty "$work/help.err"

run version --version
expect "--version prints the name and version" test "$(cat "$work/version.out")" = "tensiloctl $version"
expect "--version exits with 0" test "$(status_of version)" -eq 0

run mistake frob
expect "an unknown command exits with 2" test "$(status_of mistake)" -eq 2
expect "an unknown command says so in one line, with a pointer to --help" \
    test "$(cat "$work/mistake.err")" = "tensiloctl: unknown command 'frob'; see 'tensiloctl --help'"
expect "an unknown command prints nothing on standard output" empty "$work/mistake.out"

run list --demo list
expect "--demo list exits with 0" test "$(status_of list)" -eq 0
expect "--demo list lists the demo's two boards" \
    test "$(cut -f1,5 "$work/list.out" | tr '\t\n' ' ')" = "TS-00417 settable TS-00852 settable "

run watch_two --demo watch --count 5 --csv
expect "--demo watch without --board names the two boards and exits with 2" \
    test "$(status_of watch_two)" -eq 2 -a \
         "$(cat "$work/watch_two.err")" = "tensiloctl: 2 boards are plugged in (TS-00417, TS-00852): choose one with --board SERIAL"

run watch --demo watch --board TS-00417 --count 5 --csv
expect "--demo watch --count 5 --csv exits with 0" test "$(status_of watch)" -eq 0
expect "--demo watch --count 5 --csv prints the header and five rows" \
    test "$(wc -l <"$work/watch.out")" -eq 6
expect "--demo watch --csv rows are time, load cell, pot1, pot2" csv_rows "$work/watch.out"

# Ended by a signal: what was read is written whole, and the exit status is 0.
for signal in TERM INT; do
    timeout 60 "$ctl" --demo watch --board TS-00852 --csv >"$work/$signal.out" 2>"$work/$signal.err" &
    pid=$!
    # Signalled once it has written a row, and so has set up its signal handling.
    for _ in $(seq 100); do
        [[ $(wc -l <"$work/$signal.out") -ge 2 ]] && break
        sleep 0.1
    done
    kill -s "$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    expect "SIG$signal ends watch with exit status 0 (got $status)" test "$status" -eq 0
    expect "SIG$signal: the rows read before it are written, each whole" whole_lines "$work/$signal.out"
    expect "SIG$signal: they are rows" csv_rows "$work/$signal.out"
    expect "SIG$signal: rows were read before it" test "$(wc -l <"$work/$signal.out")" -ge 2
    expect "SIG$signal: nothing on standard error" empty "$work/$signal.err"
done

# A reader that goes away after two lines: watch ends on its own, with 0.
timeout 60 "$ctl" --demo watch --board TS-00417 2>"$work/head.err" | head -n 2 >"$work/head.out"
statuses=("${PIPESTATUS[@]}")
expect "watch | head -n 2: watch exits with 0 (got ${statuses[0]})" test "${statuses[0]}" -eq 0
expect "watch | head -n 2: two rows" test "$(wc -l <"$work/head.out")" -eq 2
expect "watch | head -n 2: nothing on standard error" empty "$work/head.err"

run gains gains
expect "gains prints 2560 lines" test "$(wc -l <"$work/gains.out")" -eq 2560
expect "gains: item 0 is 1, item 2292 is 500, item 2559 is 1022" \
    test "$(sed -n '1p;2293p;2560p' "$work/gains.out" | tr '\n' ' ')" = "1 500 1022 "

run nogain --demo set --board TS-00417 lc=1021
expect "a gain that is none exits with 2 and names the nearest" \
    test "$(status_of nogain)" -eq 2 -a \
         "$(cat "$work/nogain.err")" = "tensiloctl: 1021 is not a gain the board can hold; nearest: 1020, 1022; see 'tensiloctl --help'"

# One board's settings onto another, through a pipe (each run has fresh demo boards).
"$ctl" --demo save --board TS-00852 - 2>"$work/copy.err" |
    "$ctl" --demo load --board TS-00417 - >"$work/copy.out" 2>>"$work/copy.err"
statuses=("${PIPESTATUS[@]}")
expect "save - | load - exit with 0 (got ${statuses[*]})" test "${statuses[*]}" = "0 0"
expect "load says what the board holds now" \
    test "$(cat "$work/copy.out")" = "TS-00417: lc=700 pot1=2 pot2=1"
expect "save and load print nothing on standard error" empty "$work/copy.err"

run save --demo save --board TS-00417 "$work/settings.json"
expect "save FILE writes the file" test "$(status_of save)" -eq 0 -a -s "$work/settings.json"
run unsaved --demo save --board TS-00417 "$work/no/such/settings.json"
expect "save into a folder that is not there exits with 2 and leaves nothing" \
    test "$(status_of unsaved)" -eq 2 -a ! -e "$work/no"

echo "tensiloctl as a program: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
