#!/usr/bin/env bash
# In the guest: the cost of a search with no board, of a search that finds a board, and of a tick
# with a streaming board, over the guest's hidraw nodes and over simulated boards set up alike
# (tensilo-bench-system). Start the guest with QEMU's keyboard, mouse and tablet as the other HID
# interfaces:
#
#   TENSILO_GUEST_QEMU_EXTRA="-device qemu-xhci -device usb-kbd -device usb-mouse -device usb-tablet" \
#       tests/kernel/run-in-guest.sh CACHE_DIR SCRATCH_DIR tests/kernel/guest-cost.sh BUILD_DIR SCRATCH_DIR \
#       [SEARCHES [TICKS]]
set -uo pipefail
build=$1 results=$2 searches=${3:-50} ticks=${4:-500}
here=$(cd "$(dirname "$0")" && pwd)
bench=$build/bench/tensilo-bench-system
plug=("$here/plug" "$build/harness/emulated-board/tensilo-emulated-board" "$here/boards" "$results/cost.writes")
# A runtime folder of its own (mode 700, as Qt wants it): the guest's /tmp shows the host's files.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d)

# QEMU's devices enumerate while the guest starts: wait up to 10 s for their three nodes.
for ((tries = 0; tries < 200; tries++)); do
    nodes=(/sys/class/hidraw/hidraw*)
    [ "${#nodes[@]}" -lt 3 ] || [ ! -e "${nodes[0]}" ] || break
    sleep 0.05
done
echo "HID interfaces in the guest:"
"$build/tools/hid-list/tensilo-hid-list"
# A run that found the window not doing what it measures says so, and the others still run.
status=0
"$bench" search system "$searches" || status=1
"$bench" search simulated "$searches" || status=1
"${plug[@]}" attach A || exit 1
"$bench" find system "$searches" || status=1
"$bench" find simulated "$searches" || status=1
"$bench" tick system "$ticks" || status=1
"$bench" tick simulated "$ticks" || status=1
"${plug[@]}" detach A || exit 1
exit $status
