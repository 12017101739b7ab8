#!/usr/bin/env bash
# In the guest: `tensiloctl test` (the end-of-line test) over one emulated board at a time, as
# ctl/end-of-line.table says for each: the result word and name of every check line, the summary
# line, the exit status, the writes the board took, and its gains the same before and after (what
# `save` reads, before and after). The detail texts are left alone.
#
#   guest-end-of-line.sh BUILD_DIR RESULT_DIR
set -uo pipefail
build=$1 results=$2 not_yet=
here=$(cd "$(dirname "$0")" && pwd)
log=$results/eol.writes
source "$here/guest-lib.sh"
rm -f "$log" "$log".* "$results"/ctl.eol.*

checks=(identity reports settings stream writes)

board_serial() { # NAME: the --serial of boards/NAME.board
    xargs -n1 printf '%s\n' <"$here/boards/$1.board" | sed -n '/^--serial$/{n;p}'
}

# The command's lines: one per check, in order, with the table's result words, then the summary
# that its exit status and its FAIL lines call for.
expect_test_lines() { # NAME SERIAL STATUS RESULT...
    local name=$1 serial=$2 status=$3 out=$results/ctl.eol.$1.out
    shift 3
    local words=("$@") i line fails=0
    for i in "${!checks[@]}"; do
        line=$(sed -n "$((i + 1))p" "$out")
        # Unquoted, the word is a pattern: SKIP|FAIL takes either.
        if [[ ! $line =~ ^(${words[i]})\ \ ${checks[i]}\ \  ]]; then
            fail "$name: line $((i + 1)) is \"$line\", not ${words[i]} for ${checks[i]}."
            return
        fi
        [[ $line != FAIL* ]] || fails=$((fails + 1))
    done
    local summary="$serial: passed"
    [ "$status" = 0 ] || summary="$serial: failed ($fails of 5 checks)"
    [ "$(sed -n 6p "$out")" = "$summary" ] || fail "$name: the summary is not \"$summary\"."
    [ "$(wc -l <"$out")" = 6 ] || fail "$name: the command printed $(wc -l <"$out") lines, not 6."
}

# What the board took, by the gains in its log (see gain-triples.awk).
expect_writes_taken() { # NAME none|changed-and-restored
    local gains=$results/ctl.eol.$1.gains channel
    awk -v board="$1" -f "$here/gain-triples.awk" "$log" >"$gains" ||
        fail "$1: the gains written were broken up: $(grep broken "$gains")"
    if [ "$2" = none ]; then
        [ ! -s "$gains" ] || fail "$1: the board took writes: $(cat "$gains")"
        return
    fi
    # Each channel: a gain other than its last (the test's), and its last (its own, restored).
    for channel in lc pot1 pot2; do
        awk -v c="$channel" '$1 == c { gains[++n] = $0 }
            END { for (i = 1; i < n; i++) if (gains[i] != gains[n]) exit 0; exit 1 }' "$gains" ||
            fail "$1: no gain of $channel was changed and restored: $(tr '\n' ';' <"$gains")"
    done
}

# The table on its own descriptor: the commands in the loop keep the standard input they had.
while read -r name identity reports settings stream writes status taken <&3; do
    [ -n "$name" ] && [[ $name != \#* ]] || continue
    serial=$(board_serial "$name")
    plug attach "$name" || exit 1
    "$ctl" save --board "$serial" - >"$results/ctl.eol.$name.before" 2>&1
    saved_before=$?
    run "eol.$name" "$status" test --board "$serial"
    "$ctl" save --board "$serial" - >"$results/ctl.eol.$name.after" 2>&1
    saved_after=$?
    plug detach "$name" || exit 1
    expect_test_lines "$name" "$serial" "$status" "$identity" "$reports" "$settings" "$stream" "$writes"
    [ "$saved_before" = "$saved_after" ] &&
        cmp -s "$results/ctl.eol.$name.before" "$results/ctl.eol.$name.after" ||
        fail "$name: its gains are not the same after the test: $(diff "$results/ctl.eol.$name.before" "$results/ctl.eol.$name.after")"
    touch "$log"
    expect_writes_taken "$name" "$taken"
done 3<"$here/ctl/end-of-line.table"
expect_boards_quiet
[ "$failed" = 1 ] || echo "passed: tensiloctl test over the emulated boards"
exit $failed
