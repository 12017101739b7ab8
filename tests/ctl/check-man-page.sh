#!/usr/bin/env bash
# tensiloctl's manual page renders with scdoc, names every command and option the program's --help
# names, and names none that --help does not.
# Usage: check-man-page.sh PAGE.scd TENSILOCTL
set -euo pipefail
page=$1
ctl=$2
command -v scdoc >/dev/null ||
    { echo "FAIL: scdoc is not installed (Debian package scdoc; scripts/install-deps)" >&2; exit 1; }
rendered=$(sed 's/@PROJECT_VERSION@/0.0.0/' "$page" | scdoc) ||
    { echo "FAIL: scdoc cannot render $page" >&2; exit 1; }
[[ -n $rendered ]] || { echo "FAIL: $page renders as nothing" >&2; exit 1; }
usage=$("$ctl" --help)
missing=0
# The options, and the commands (the words after two spaces at a line's start in the usage).
for word in $(grep -oE -- '--[a-z]+' <<<"$usage" | sort -u) \
            $(sed -nE 's/^  ([a-z]+)( .*)?$/\1/p' <<<"$usage"); do
    if ! grep -qF -- "*$word*" "$page"; then
        echo "FAIL: the manual page does not name $word"
        missing=$((missing + 1))
    fi
done
# The other way: the page's options, and the commands of its synopsis, are the program's.
for word in $(grep -oE -- '\*--[a-z]+\*' "$page" | tr -d '*' | sort -u) \
            $(sed -nE 's/^\*tensiloctl ([a-z]+)\*.*$/\1/p' "$page"); do
    if ! grep -qE -- "(^|[^a-z-])$word([^a-z]|\$)" <<<"$usage"; then
        echo "FAIL: the manual page names $word, which --help does not"
        missing=$((missing + 1))
    fi
done
[[ $missing -eq 0 ]] && echo "the manual page renders and names every command and option, and no other"
