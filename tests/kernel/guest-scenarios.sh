#!/usr/bin/env bash
# In the guest: runs each scenario file of GROUP_DIR with tensilo-scenario --system-boards over
# the emulated boards (plugged in and out by `plug`), and compares the SET_REPORTs the boards
# took with the file's twin FILE.writes ("NAME byte..." per line, as `print writes` prints them;
# no twin: the boards take nothing). Every board left plugged in is pulled out after each file, and
# a board that printed anything fails the file.
#
#   guest-scenarios.sh BUILD_DIR RESULT_DIR GROUP_DIR
set -uo pipefail
build=$1 results=$2 group=$3
here=$(cd "$(dirname "$0")" && pwd)
firmware=$build/harness/emulated-board/tensilo-emulated-board
# A runtime folder of its own (mode 700, as Qt wants it): the guest's /tmp shows the host's files.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d)

failed=0
for scenario in "$group"/*.scenario; do
    name=$(basename "$scenario" .scenario)
    log=$results/$name.writes
    rm -f "$log" "$log".*.out
    started=$(date +%s%N)
    # The runner splits the plug command into words as a shell would: each is quoted, as paths
    # may hold spaces.
    timeout 300 "$build/harness/scenario/tensilo-scenario" --system-boards \
        --plug "$(printf '"%s" ' "$here/plug" "$firmware" "$here/boards" "$log")" "$scenario" \
        >"$results/$name.out" 2>&1
    status=$?
    for pidfile in /run/tensilo-plug/*.pid; do
        [ -e "$pidfile" ] || continue
        "$here/plug" "$firmware" "$here/boards" "$log" detach "$(basename "$pidfile" .pid)" ||
            status=1
    done
    expected=${scenario%.scenario}.writes
    [ -f "$expected" ] || expected=/dev/null
    touch "$log"
    if ! diff -u --label "$expected" --label "what the boards took" "$expected" "$log" \
        >"$results/$name.writes.diff"; then
        status=1
    fi
    # A board says nothing while all goes well: a message is a refused transfer, a sanitizer's
    # report or a crash.
    for out in "$log".*.out; do
        [ ! -s "$out" ] || status=1
    done
    took=$(( ($(date +%s%N) - started) / 1000000 ))
    if [ "$status" = 0 ]; then
        echo "passed $name (${took} ms)"
    else
        failed=1
        echo "FAILED $name (${took} ms, status $status):"
        sed 's/^/    /' "$results/$name.out" "$results/$name.writes.diff"
        for out in "$log".*.out; do
            [ -s "$out" ] && sed "s|^|    ${out##*.writes.}: |" "$out"
        done
    fi
done
exit $failed
