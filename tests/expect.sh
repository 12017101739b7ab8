# Sourced by the tests written in shell: `expect DESCRIPTION COMMAND...` runs the command and
# counts its success in `passed`, or its failure in `failed` with a line naming it.
passed=0
failed=0
expect() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}
