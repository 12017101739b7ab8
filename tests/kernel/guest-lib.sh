# shellcheck shell=bash
# Sourced by the guest scripts that run tensiloctl over emulated boards. They set, before sourcing:
#   build    the build folder
#   results  the folder for what the checks leave behind
#   log      the file every board appends the SET_REPORTs it takes to
#   not_yet  the checks to skip, comma-separated (see tests/kernel/CMakeLists.txt)
# and find here: the programs, plugging, running tensiloctl, failing a check, and skipping one.
kernel_tests=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ctl=$build/tools/tensiloctl/tensiloctl
failed=0

fail() { echo "FAILED: $*"; failed=1; }

# plug attach|detach NAME: a board of boards/ in or out of the guest.
plug() {
    "$kernel_tests/plug" "$build/harness/emulated-board/tensilo-emulated-board" \
        "$kernel_tests/boards" "$log" "$@"
}

# Runs tensiloctl; its output goes to ctl.NAME.out and .err, and it must exit with STATUS.
run() {
    local name=$1 status=$2
    shift 2
    "$ctl" "$@" >"$results/ctl.$name.out" 2>"$results/ctl.$name.err"
    local got=$?
    echo "tensiloctl $* -> $got"
    sed 's/^/    /' "$results/ctl.$name.out" "$results/ctl.$name.err"
    [ "$got" = "$status" ] || fail "tensiloctl $* exited with $got, not $status."
}

expect_output() { # NAME, then the whole standard output expected
    [ "$(cat "$results/ctl.$1.out")" = "$2" ] || fail "tensiloctl's output for $1 is not: $2"
}

# A check written before the feature it tests is on main is skipped, and says so.
waiting() { # CHECK
    case ",$not_yet," in
    *",$1,"*)
        echo "not yet: $1 (skipped until its feature is on main: tests/kernel/CMakeLists.txt)"
        return 0
        ;;
    esac
    return 1
}

# A board says nothing while all goes well: a message is a refused transfer, a sanitizer's report
# or a crash.
expect_boards_quiet() {
    local out
    for out in "$log".*.out; do
        [ ! -s "$out" ] || fail "the board ${out##*.writes.} printed: $(cat "$out")"
    done
}

# The rows of watch's CSV: every board's counts without a gap, time never going back (see
# watch-rows.awk).
expect_watch_rows() { # CSV HEADER BOARDS LEAST_ROWS_PER_BOARD
    awk -F, -v header="$2" -v boards="$3" -v least="$4" -f "$kernel_tests/watch-rows.awk" "$1" ||
        fail "watch lost reports or wrote them wrong ($1)."
}
