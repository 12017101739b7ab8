#!/usr/bin/env bash
# Runs one fuzz target for a bounded time, starting from the seeds kept in the repository. The
# seeds are copied to a throw-away corpus, so what the run finds does not grow the repository.
# A crash (or a broken property) fails the run and leaves the input in ARTIFACT_DIR.
# Usage: run-fuzzer.sh FUZZ_BUILD_DIR TARGET SECONDS SEED_DIR ARTIFACT_DIR [DICTIONARY]
set -euo pipefail
build_dir=$1 target=$2 seconds=$3 seeds=$4 artifacts=$5 dictionary=${6:-}
seconds=${TENSILO_FUZZ_SECONDS:-$seconds}

fuzzer=$build_dir/${target}_fuzzer
if [[ ! -x "$fuzzer" ]]; then
    echo "FAIL: $fuzzer was not built (see the test fuzz.build)" >&2
    exit 1
fi
corpus=$(mktemp -d "${TMPDIR:-/tmp}/tensilo-fuzz-$target.XXXXXX")
trap 'rm -rf "$corpus"' EXIT
cp "$seeds"/* "$corpus"/
mkdir -p "$artifacts"
seed_count=$(ls "$corpus" | wc -l)

options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
         -artifact_prefix="$artifacts/$target-")
[[ -n "$dictionary" ]] && options+=(-dict="$dictionary")
log=$artifacts/$target.log
status=0
"$fuzzer" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
coverage=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
elapsed=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
echo "fuzz $target: ${runs:-?} runs in ${elapsed:-?} s, ${rate:-?} exec/s, $coverage," \
     "corpus $seed_count seeds -> $(ls "$corpus" | wc -l) inputs"
if [[ $status -ne 0 ]]; then
    tail -n 60 "$log"
    echo "FAIL: $target stopped with status $status; the input that broke it:" >&2
    grep -oE "Test unit written to [^ ]+" "$log" | sed 's/Test unit written to /  /' >&2 || true
    echo "reproduce with: $fuzzer FILE   (full log: $log)" >&2
    exit 1
fi
