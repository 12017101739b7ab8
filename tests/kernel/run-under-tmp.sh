#!/usr/bin/env bash
# A guest run whose every path lies in the host's /tmp, as for a checkout cloned there: the
# working folder, the script, the results folder and a copy of the build tree's tensilo-hid-list,
# all in one folder whose name holds a space and a comma. In the guest the program must run and
# its output reach the results folder; /tmp (HOME), /run and /dev/shm must stay writable for the
# guest's programs; and what the guest writes outside the results folder must not reach the host.
#
#   run-under-tmp.sh CACHE_DIR BUILD_DIR
set -euo pipefail
cache=$1 build=$2
here=$(cd "$(dirname "$0")" && pwd)

# /tmp itself, whatever TMPDIR says: it is the folder the guest covers with its own.
top=$(mktemp -d "/tmp/tensilo guest,XXXXXX")
trap 'rm -rf "$top"' EXIT
mkdir "$top/bin" "$top/results"
cp "$build/tools/hid-list/tensilo-hid-list" "$top/bin/"
cat >"$top/in-guest.sh" <<'EOF'
set -u
top=$1 results=$2
failed=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    "$@" || { echo "in the guest: $what failed"; failed=1; }
}
check "starting in $top" test "$PWD" = "$top"
check "tensilo-hid-list from $top/bin" eval '"$top/bin/tensilo-hid-list" >"$results/list.out" 2>&1'
check "writing in HOME ($HOME)" touch "$HOME/tensilo-guest-home"
check "making a folder with mktemp -d" eval "mktemp -d >/dev/null"
check "writing in /run" touch /run/tensilo-guest
check "writing in /dev/shm" touch /dev/shm/tensilo-guest
check "writing beside the results folder" touch "$top/written-in-the-guest"
exit $failed
EOF

cd "$top"
status=0
bash "$here/run-in-guest.sh" "$cache" "$top/results" "$top/in-guest.sh" "$top" "$top/results" ||
    status=$?
failed=0
if [ "$status" != 0 ]; then
    echo "FAIL: the guest run under $top ended with status $status."
    failed=1
fi
expected='0 interfaces, 0 Tensilo boards'
if ! grep -qx "$expected" "$top/results/list.out" 2>/dev/null; then
    echo "FAIL: tensilo-hid-list in the guest did not print \"$expected\":"
    cat "$top/results/list.out" 2>/dev/null
    failed=1
fi
if [ -e "$top/written-in-the-guest" ] || [ -e /tmp/tensilo-guest-home ]; then
    echo "FAIL: a file the guest wrote outside its results folder is on the host."
    failed=1
fi
[ "$failed" = 0 ] && echo "The guest ran everything from $top."
exit "$failed"
