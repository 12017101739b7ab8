#!/usr/bin/env bash
# tensiloctl as a process, where a careful user or a script meets it: output that cannot be
# written (/dev/full), settings files written to a FIFO, a device node, /dev/stdout and names that
# are not UTF-8, a reader that stalls behind a small pipe, and SIGINT or SIGTERM sent once with
# kill while it waits on a FIFO. It needs no display and works on the demo's boards.
# Usage: check-files-and-signals.sh TENSILOCTL
set -uo pipefail
ctl=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/tensiloctl-files.XXXXXX")
trap 'rm -rf "$work"' EXIT
set -m # background commands get SIGINT as a foreground one does
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
source "$(dirname "$0")/../expect.sh"

full="tensiloctl: standard output: No space left on device"
# Every command that writes standard output, into a full disk: status 1, and why.
while read -r name arguments; do
    # shellcheck disable=SC2086
    timeout 30 "$ctl" $arguments >/dev/full 2>"$work/$name.err" </dev/null
    status=$?
    expect "$name into /dev/full exits with 1 (got $status)" test "$status" -eq 1
    expect "$name into /dev/full says why" grep -qxF "$full" "$work/$name.err"
done <<'COMMANDS'
help --help
version --version
help-topic help set
list --demo list
list-json --demo list --json
show --demo show --board TS-00417
gains gains
watch --demo watch --board TS-00417 --count 3
save --demo save --board TS-00417 -
set --demo set --board TS-00417 lc=700
COMMANDS

# save into what is not a regular file: written in place, never replaced.
settings_of() { "$ctl" --demo save --board TS-00852 - 2>/dev/null; }
expected=$(settings_of)
mkfifo "$work/fifo"
timeout 20 cat "$work/fifo" >"$work/fifo.out" &
reader=$!
timeout 30 "$ctl" --demo save --board TS-00852 "$work/fifo" 2>"$work/fifo.err"
status=$?
wait "$reader"
expect "save into a FIFO exits with 0 (got $status)" test "$status" -eq 0
expect "save into a FIFO: its reader gets the settings" test "$(cat "$work/fifo.out")" = "$expected"
expect "save into a FIFO: it is still a FIFO" test -p "$work/fifo"
if [[ $(id -u) -eq 0 ]] && mknod "$work/null" c 1 3 2>/dev/null; then
    timeout 30 "$ctl" --demo save --board TS-00852 "$work/null" 2>"$work/null.err"
    status=$?
    expect "save into a device node exits with 0 (got $status)" test "$status" -eq 0
    expect "save into a device node: it is still that device" test -c "$work/null"
fi
timeout 30 "$ctl" --demo save --board TS-00852 /dev/stdout 2>"$work/stdout.err" | cat >"$work/stdout.out"
expect "save /dev/stdout into a pipe writes the settings" test "$(cat "$work/stdout.out")" = "$expected"
echo first >"$work/appended"
timeout 30 "$ctl" --demo save --board TS-00852 /dev/stdout >>"$work/appended" 2>"$work/append.err"
expect "save /dev/stdout >> FILE appends, as the shell opened it" \
    test "$(cat "$work/appended")" = "first
$expected"
ls -a "$work" | grep -q '\.tmp$'
expect "no temporary file is left" test $? -ne 0

# A regular file is replaced whole, keeping its mode, whatever the umask.
echo old >"$work/kept.json"
chmod 0664 "$work/kept.json"
(umask 077 && timeout 30 "$ctl" --demo save --board TS-00852 "$work/kept.json")
expect "save over a file keeps its mode (got $(stat -c %a "$work/kept.json"))" \
    test "$(stat -c %a "$work/kept.json")" = 664
expect "save over a file writes the settings" test "$(cat "$work/kept.json")" = "$expected"

# A file name that is not UTF-8 is used as its bytes.
name=$'\xff\xfe settings.json'
timeout 30 "$ctl" --demo save --board TS-00852 "$work/$name" 2>"$work/latin.err"
expect "save FILE with a name that is not UTF-8 makes that very file" test -f "$work/$name"
timeout 30 "$ctl" --demo load --board TS-00417 "$work/$name" >"$work/latin.out" 2>>"$work/latin.err"
expect "load reads it back" test "$(cat "$work/latin.out")" = "TS-00417: lc=700 pot1=2 pot2=1"
timeout 30 "$ctl" --demo load --board TS-00417 $'\x1b[31mno\xff' 2>"$work/escaped.err"
expect "a name in a message is escaped" \
    grep -qxF 'tensiloctl: \x1B[31mno\xFF cannot be read: No such file or directory' "$work/escaped.err"

# A reader that stalls for 6 s behind a pipe of 4 KiB (two seconds of rows): the board is read
# meanwhile, and no report is lost (the demo board makes one every 10 ms and keeps at most 256
# unread, so that a watch that waited on its output would lose about 150).
stall='import fcntl, sys, time
fcntl.fcntl(0, 1031, 4096)  # F_SETPIPE_SZ
time.sleep(6)
sys.stdout.buffer.write(sys.stdin.buffer.read())'
timeout 60 "$ctl" --demo watch --board TS-00417 --seconds 8 --csv 2>"$work/stall.err" |
    python3 -c "$stall" >"$work/stall.out"
statuses=("${PIPESTATUS[@]}")
rows=$(($(wc -l <"$work/stall.out") - 1))
expect "watch behind a stalled reader exits with 0 (got ${statuses[0]})" test "${statuses[0]}" -eq 0
expect "watch behind a stalled reader writes every report of 8 s ($rows rows)" \
    test "$rows" -ge 790 -a "$rows" -le 801

# SIGINT and SIGTERM, once, while load waits for a FIFO's writer, and while it reads a FIFO whose
# writer writes nothing: the program ends at once by the signal, and writes no board.
for signal in INT TERM; do
    for stage in opening reading; do
        rm -f "$work/wait.fifo" && mkfifo "$work/wait.fifo"
        writer=
        if [[ $stage == reading ]]; then
            sleep 30 >"$work/wait.fifo" &
            writer=$!
        fi
        timeout 60 "$ctl" --demo load --board TS-00417 "$work/wait.fifo" \
            >"$work/wait.out" 2>"$work/wait.err" &
        pid=$!
        sleep 0.5
        kill -s "$signal" "$pid"
        wait "$pid"
        status=$?
        [[ -z $writer ]] || kill "$writer" 2>/dev/null
        want=$((128 + $(kill -l "$signal")))
        expect "SIG$signal while load is $stage a FIFO ends it by the signal (got $status)" \
            test "$status" -eq "$want"
        expect "SIG$signal while load is $stage a FIFO: nothing written, nothing said" \
            test ! -s "$work/wait.out" -a ! -s "$work/wait.err"
    done
done

# SIGTERM while save waits for a FIFO's reader: it ends at once, the FIFO is left as it was.
rm -f "$work/out.fifo" && mkfifo "$work/out.fifo"
timeout 60 "$ctl" --demo save --board TS-00417 "$work/out.fifo" 2>"$work/outfifo.err" &
pid=$!
sleep 0.5
kill -s TERM "$pid"
wait "$pid"
status=$?
expect "SIGTERM while save waits for a reader ends it by the signal (got $status)" test "$status" -eq 143
expect "SIGTERM while save waits for a reader leaves the FIFO" test -p "$work/out.fifo"

echo "tensiloctl's files, output and signals: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
