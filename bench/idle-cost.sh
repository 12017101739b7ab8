#!/usr/bin/env bash
# Processor time and peak memory of the demo (the real window over two streaming simulated boards,
# polling every 50 ms) while it runs on its own.
#
#   bench/idle-cost.sh [BUILD_DIR] [SECONDS] [RUNS]
#
# BUILD_DIR (default: build-bench beside this folder) must hold tools/demo/tensilo-demo. Each of RUNS
# runs (default 5) starts the demo, lets it settle for one second (start-up, first read-back), then
# takes the user+system time of the process from /proc/PID/stat over SECONDS seconds (default 10) of
# polling, reads its peak resident memory (VmHWM), and stops it. Prints each run, the medians of
# the processor time as a percentage of one core (steady polling, and the whole run with start-up),
# and of the peak resident memory. Without a display the demo runs on Qt's offscreen platform.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
seconds=${2:-10}
runs=${3:-5}
demo=$build/tools/demo/tensilo-demo
[[ -x $demo ]] || { echo "idle-cost.sh: $demo is missing; build the target tensilo-demo first" >&2; exit 2; }

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
    export QT_QPA_PLATFORM=offscreen
fi
work=$(mktemp -d)
demo_pid=
cleanup() {
    [[ -n $demo_pid ]] && kill "$demo_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    mkdir -m 700 "$work/xdg"
    export XDG_RUNTIME_DIR=$work/xdg
fi

ticks_per_second=$(getconf CLK_TCK)
# utime + stime of the whole process (all its threads), in clock ticks: fields 14 and 15 of
# /proc/PID/stat, counted after the command name, which is in parentheses and may hold spaces.
cpu_ticks() { sed -e 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
now_ns() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "tensilo-demo, platform ${QT_QPA_PLATFORM:-default}, $runs runs of 1 s settling + $seconds s polling"
printf '%4s %18s %18s %14s\n' run "steady % of core" "whole % of core" "peak RSS KiB"
for ((run = 1; run <= runs; run++)); do
    start=$(now_ns)
    "$demo" >"$work/demo.out" 2>&1 &
    demo_pid=$!
    sleep 1
    kill -0 "$demo_pid" 2>/dev/null || { echo "idle-cost.sh: the demo ended early:" >&2; cat "$work/demo.out" >&2; exit 1; }
    t0=$(now_ns); c0=$(cpu_ticks "$demo_pid")
    sleep "$seconds"
    t1=$(now_ns); c1=$(cpu_ticks "$demo_pid")
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$demo_pid/status")
    kill "$demo_pid"
    wait "$demo_pid" 2>/dev/null || true
    demo_pid=
    steady=$(awk -v c="$((c1 - c0))" -v hz="$ticks_per_second" -v ns="$((t1 - t0))" \
        'BEGIN { printf "%.2f", 100 * c / hz / (ns / 1e9) }')
    whole=$(awk -v c="$c1" -v hz="$ticks_per_second" -v ns="$((t1 - start))" \
        'BEGIN { printf "%.2f", 100 * c / hz / (ns / 1e9) }')
    printf '%4d %18s %18s %14s\n' "$run" "$steady" "$whole" "$hwm"
    echo "$steady" >>"$work/steady"; echo "$whole" >>"$work/whole"; echo "$hwm" >>"$work/hwm"
done
printf '%4s %18s %18s %14s\n' median "$(median <"$work/steady")" "$(median <"$work/whole")" "$(median <"$work/hwm")"
echo "(clock tick $((1000 / ticks_per_second)) ms: over $seconds s one tick is $(awk -v s="$seconds" -v hz="$ticks_per_second" 'BEGIN { printf "%.2f", 100 / hz / s }') % of a core)"
