#!/usr/bin/env bash
# In the guest, with QEMU's keyboard, mouse and tablet as the other HID interfaces: runs
# observed/opens.scenario (the window searching with no board, then with one plugged in) while
# two observers outside the program record the opens. The window must open no other device's
# node, and the board's node exactly three times: once in the scan's walk, once in FindTheHid's,
# once more for the read handle.
# - inotify sees every open of a node in /dev, by anyone, but merges identical events that follow
#   each other while unread: it may count two opens of the board as one, yet never turns opens
#   into none, so it alone says that no other device was opened.
# - strace sees each successful open call of the program, one line per call, so it counts the
#   board's opens exactly.
#
#   guest-opens.sh BUILD_DIR RESULT_DIR SCENARIO
set -uo pipefail
build=$1 results=$2 scenario=$3
here=$(cd "$(dirname "$0")" && pwd)
plug=("$here/plug" "$build/harness/emulated-board/tensilo-emulated-board" "$here/boards"
      "$results/opens.writes")
# A runtime folder of its own (mode 700, as Qt wants it): the guest's /tmp shows the host's files.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d)
rm -f "$results"/opens.*

fail() { echo "FAILED: $*"; exit 1; }
command -v inotifywait >/dev/null || fail "inotifywait is missing: run scripts/install-deps (inotify-tools)."
command -v strace >/dev/null || fail "strace is missing: run scripts/install-deps (strace)."

# QEMU's devices enumerate while the guest starts: wait up to 10 s for their three nodes.
for ((tries = 0; tries < 200; tries++)); do
    others=(/sys/class/hidraw/hidraw*)
    [ "${#others[@]}" -lt 3 ] || [ ! -e "${others[0]}" ] || break
    sleep 0.05
done
others=("${others[@]##*/}")
[ "${#others[@]}" -ge 3 ] || fail "QEMU's keyboard, mouse and tablet did not appear (hidraw: ${others[*]})."
echo "other HID interfaces: ${others[*]}"

inotifywait -m -e open --format '%f' /dev >"$results/opens.log" 2>"$results/opens.watch" &
watcher=$!
for ((tries = 0; tries < 200; tries++)); do
    grep -q "Watches established" "$results/opens.watch" && break
    sleep 0.05
done
grep -q "Watches established" "$results/opens.watch" || fail "inotifywait did not start: $(cat "$results/opens.watch")"

# The runner splits the plug command into words as a shell would: each is quoted. strace follows
# the program's threads but lets go of the plug command at its exec (-b execve): a firmware traced
# to its end would hold strace, and with it the scenario, until the board is pulled out. One file
# per thread keeps every call on one line.
timeout 300 strace -f -b execve -e trace=open,openat,openat2 -e status=successful -qq \
    -ff -o "$results/opens.trace" "$build/harness/scenario/tensilo-scenario" --system-boards \
    --plug "$(printf '"%s" ' "${plug[@]}")" "$scenario" >"$results/opens.out" 2>&1
status=$?
board=
for node in /sys/class/hidraw/hidraw*; do
    case $(readlink -f "$node/device") in */dummy_hcd.*) board=${node##*/} ;; esac
done
[ ! -f /run/tensilo-plug/A.pid ] || "${plug[@]}" detach A || status=1
sleep 0.2
kill "$watcher"
wait "$watcher" 2>/dev/null
cat "$results/opens.out"
[ "$status" = 0 ] || fail "the scenario ended with status $status."
[ -n "$board" ] || fail "the board's node was not found."

seen_by_inotify() { grep -cx "$1" "$results/opens.log"; }
opened_by_program() { cat "$results"/opens.trace.* | grep -c "^open[a-z0-9]*([^\"]*\"/dev/$1\""; }
echo "opens seen by inotify: $(grep '^hidraw' "$results/opens.log" | sort | uniq -c | tr '\n' ' ')"
echo "opens of the board's $board by the program: $(opened_by_program "$board")"
failed=0
for node in "${others[@]}"; do
    [ "$(seen_by_inotify "$node")" = 0 ] ||
        { echo "FAILED: $node (another device) was opened $(seen_by_inotify "$node") times."; failed=1; }
done
# Without a single event for the board the observer was blind, and its zeros above mean nothing.
[ "$(seen_by_inotify "$board")" -ge 1 ] || { echo "FAILED: inotify saw no open of the board's $board."; failed=1; }
[ "$(opened_by_program "$board")" = 3 ] ||
    { echo "FAILED: the board's $board was opened $(opened_by_program "$board") times, not 3."; failed=1; }
[ "$failed" = 1 ] || echo "passed: no other device's node opened; the board's opened 3 times"
exit $failed
