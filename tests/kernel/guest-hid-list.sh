#!/usr/bin/env bash
# In the guest: tensilo-hid-list over every emulated board, two at a time (the guest has two
# device controllers), once as root and once as a user who may not open the hidraw nodes, and
# its output compared with hid-list.expected.
#
#   guest-hid-list.sh BUILD_DIR RESULT_DIR
set -uo pipefail
build=$1 results=$2
here=$(cd "$(dirname "$0")" && pwd)
plug=("$here/plug" "$build/harness/emulated-board/tensilo-emulated-board" "$here/boards"
      "$results/hid-list.writes")
list=$build/tools/hid-list/tensilo-hid-list
output=$results/hid-list.out
# The hint names the udev rule where this machine has it installed, or says it is not: the same
# line on every machine for the comparison.
same_rule_line() { sed 's|^The udev rule .*|The udev rule (where this machine has it, or not installed) ...|'; }
: >"$output"
rm -f "$results"/hid-list.writes*
for pair in "A B" "Marker Stall" "NoManuf Numbered"; do
    set -- $pair
    echo "== $1 and $2" >>"$output"
    "${plug[@]}" attach "$1" && "${plug[@]}" attach "$2" || exit 1
    echo "-- as root" >>"$output"
    "$list" 2>&1 | same_rule_line >>"$output"
    echo "-- as a user who may not open the nodes" >>"$output"
    setpriv --reuid=65534 --regid=65534 --clear-groups "$list" 2>&1 | same_rule_line >>"$output"
    "${plug[@]}" detach "$1" && "${plug[@]}" detach "$2" || exit 1
done
for out in "$results"/hid-list.writes.*.out; do
    [ ! -s "$out" ] || { echo "The board ${out##*.writes.} printed:"; cat "$out"; exit 1; }
done
if ! diff -u "$here/hid-list.expected" "$output"; then
    echo "tensilo-hid-list did not list the emulated boards as expected (diff above)."
    exit 1
fi
echo "tensilo-hid-list listed every emulated board as expected."
