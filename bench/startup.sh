#!/usr/bin/env bash
# Start-up time and peak memory of the real window against a minimal Qt window.
#
#   bench/startup.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR (default: build-bench beside this folder) must hold the targets
# tensilo-bench-minimal-window, tensilo-bench-start and tensilo-bench-turns; RUNS (default 101, at
# least 5) is the number of measured runs of each. Both programs exit after their window's first
# paint; the real one prepares the application as tensilo-config does and starts the window over
# one simulated board (Form_Load: show, scan, open, read-back). Without a display they run on Qt's
# offscreen platform.
#
# tensilo-bench-turns runs the two in turns after three warm-up runs of each (minimal, real, real,
# minimal, ...), so that a change in the machine's load falls on both alike, and prints the medians
# of wall time from start to exit, processor time (user + system, all threads) and peak resident
# memory, and the ratios real/minimal.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-bench}
runs=${2:-101}
minimal=$build/bench/tensilo-bench-minimal-window
real=$build/bench/tensilo-bench-start
turns=$build/bench/tensilo-bench-turns
for program in "$minimal" "$real" "$turns"; do
    [[ -x $program ]] || { echo "startup.sh: $program is missing; build the bench targets first" >&2; exit 2; }
done

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
    export QT_QPA_PLATFORM=offscreen
fi
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -m 700 "$work/xdg"
    export XDG_RUNTIME_DIR=$work/xdg
fi

echo "start-up to first paint and exit, platform ${QT_QPA_PLATFORM:-default}"
"$turns" "$runs" "$minimal" "$real"
