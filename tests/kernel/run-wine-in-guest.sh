#!/usr/bin/env bash
# The Windows data path in the guest: builds the Win32 programs in the cross tree that the Wine
# test (tests/backends/windows) configured, rebuilds tensilo-scenario.exe among the Windows
# programs that windows.build made, makes a Wine prefix for the guest, and runs guest-wine.sh in
# the guest.
#
#   run-wine-in-guest.sh CACHE_DIR SCRATCH_DIR BUILD_DIR CROSS_BUILD_DIR
set -euo pipefail
cache=$1 scratch=$2 build=$3 cross=$4
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$cross/build.ninja" ]; then
    echo "The cross build $cross is missing: the test windows.win32_backend_under_wine makes it." >&2
    exit 1
fi
windows=$build/windows
if [ ! -f "$windows/tree/build.ninja" ] || [ ! -d "$windows/programs/bin" ]; then
    echo "The Windows programs in $windows are missing: the test windows.build makes them." >&2
    exit 1
fi
timeout 600 cmake --build "$cross" -j2 \
    --target tensilo-hid-list tensilo-win32-board-check tensilo-run-unix >/dev/null
# As scripts/build-windows does: the runner is built in the tree and copied beside Qt's DLLs.
timeout 600 cmake --build "$windows/tree" -j2 --target tensilo-scenario >/dev/null
cp "$windows/tree/harness/scenario/tensilo-scenario.exe" "$windows/programs/bin/"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
bash "$here/prepare-wine-prefix.sh" "$scratch/prefix"
exec bash "$here/run-in-guest.sh" "$cache" "$scratch" "$here/guest-wine.sh" "$build" "$scratch" "$cross" \
    "$scratch/prefix" "$windows/programs/bin"
