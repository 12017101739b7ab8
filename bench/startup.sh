#!/usr/bin/env bash
# Start-up time and peak memory of the real window against a minimal Qt window.
#
#   bench/startup.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR (default: build-bench beside this folder) must hold the targets
# tensilo-bench-minimal-window and tensilo-bench-start; RUNS (default 21, at least 5) is the number
# of measured runs of each. Both programs exit after their window's first paint; the real one
# starts the window over one simulated board (Form_Load: show, scan, open, read-back). Without a
# display they run on Qt's offscreen platform.
#
# After 3 warm-up runs of each, the two programs run in turns (minimal, real, real, minimal, ...),
# so that a change in the machine's load falls on both alike:
#   - wall time from start to exit, taken with date around the program alone;
#   - peak resident memory (max RSS) from /usr/bin/time -f %M, in a second series of turns.
# Prints the median of each and the ratios real/minimal. Where hyperfine is installed, it also
# prints hyperfine's figures (mean wall, user and system time) as a cross-check: processor time is
# less disturbed than wall time by other work on the machine.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
runs=${2:-21}
minimal=$build/bench/tensilo-bench-minimal-window
real=$build/bench/tensilo-bench-start
for program in "$minimal" "$real"; do
    [[ -x $program ]] || { echo "startup.sh: $program is missing; build the bench targets first" >&2; exit 2; }
done
(( runs >= 5 )) || { echo "startup.sh: at least 5 runs" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "startup.sh: /usr/bin/time is missing (Debian package time)" >&2; exit 2; }

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
    export QT_QPA_PLATFORM=offscreen
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    mkdir -m 700 "$work/xdg"
    export XDG_RUNTIME_DIR=$work/xdg
fi

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
program_of() { if [[ $1 == real ]]; then echo "$real"; else echo "$minimal"; fi; }
# The order of the two programs in turn i: minimal first in even turns, real first in odd ones.
order() { if (( $1 % 2 )); then echo real minimal; else echo minimal real; fi; }
run_once() {
    "$1" >/dev/null 2>"$work/err" || { echo "startup.sh: $1 failed:" >&2; cat "$work/err" >&2; exit 1; }
}

for _ in 1 2 3; do run_once "$minimal"; run_once "$real"; done

for ((i = 0; i < runs; i++)); do
    for which in $(order "$i"); do
        program=$(program_of "$which")
        t0=$(date +%s%N)
        run_once "$program"
        t1=$(date +%s%N)
        awk -v ns="$((t1 - t0))" 'BEGIN { printf "%.3f\n", ns / 1e6 }' >>"$work/$which.ms"
    done
done
for ((i = 0; i < runs; i++)); do
    for which in $(order "$i"); do
        program=$(program_of "$which")
        /usr/bin/time -f %M -o "$work/rss" "$program" >/dev/null 2>&1
        cat "$work/rss" >>"$work/$which.kib"
    done
done

min_ms=$(median <"$work/minimal.ms"); real_ms=$(median <"$work/real.ms")
min_kib=$(median <"$work/minimal.kib"); real_kib=$(median <"$work/real.kib")
echo "start-up to first paint and exit, platform ${QT_QPA_PLATFORM:-default}, medians of $runs runs each (in turns)"
printf '%-30s %10s %18s\n' program "wall ms" "max RSS KiB"
printf '%-30s %10.1f %18s\n' tensilo-bench-minimal-window "$min_ms" "$min_kib"
printf '%-30s %10.1f %18s\n' tensilo-bench-start "$real_ms" "$real_kib"
awk -v a="$real_ms" -v b="$min_ms" 'BEGIN { printf "start-up time real/minimal: %.2f\n", a / b }'
awk -v a="$real_kib" -v b="$min_kib" 'BEGIN { printf "peak RSS real/minimal:      %.2f\n", a / b }'

if command -v hyperfine >/dev/null; then
    hyperfine --shell=none --warmup 3 --runs "$runs" --style none \
        --export-csv "$work/hyperfine.csv" -n minimal "$minimal" -n real "$real" >/dev/null 2>&1
    # Columns: command,mean,stddev,median,user,system,min,max,... in seconds.
    echo "cross-check by hyperfine --shell=none, $runs runs each (not in turns), in ms:"
    awk -F, 'NR > 1 { printf "  %-8s median wall %7.1f   mean user %6.1f   mean system %6.1f   user+system %6.1f\n", $1, $4 * 1000, $5 * 1000, $6 * 1000, ($5 + $6) * 1000; cpu[$1] = $5 + $6 }
             END { if (cpu["minimal"] > 0) printf "  processor time real/minimal: %.2f\n", cpu["real"] / cpu["minimal"] }' "$work/hyperfine.csv"
fi
