# Sourced by the tests that run Windows programs under Wine.

# Makes the Wine prefix $1, with $2 as its home and $3 as its temporary folder (Debian's
# wineserver keeps its socket there), and exports Wine's variables for them. Without a completed
# wineboot the prefix has no HID devices.
boot_wine_prefix() {
    export WINEPREFIX=$1 HOME=$2 TMPDIR=$3 WINEDEBUG=-all
    # No menu entries, no Mono or Gecko installers: the programs need neither.
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
    mkdir -p "$HOME" "$TMPDIR"
    if ! { timeout 300 wine wineboot -i && timeout 120 wineserver -w; } >"$WINEPREFIX.wineboot.log" 2>&1; then
        cat "$WINEPREFIX.wineboot.log"
        echo "FAIL: wineboot could not make the Wine prefix $WINEPREFIX" >&2
        exit 1
    fi
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1 || { echo "FAIL: turning off Wine's crash dialog" >&2; exit 1; }
}

# A throw-away prefix, home and temporary folder, so that nothing of the user's Wine setup, and
# nothing left by an earlier run, takes part; all are removed when the test's shell exits. Sets
# `work` to that folder.
fresh_wine_prefix() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/tensilo-wine.XXXXXX")
    trap 'stop_wine; rm -rf "$work"' EXIT
    boot_wine_prefix "$work/prefix" "$work/home" "$work/tmp"
}

# Ends every process of the prefix and waits until the registry is written back.
stop_wine() {
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    timeout 30 wineserver -w >/dev/null 2>&1 || true
}

# Fails the test, in one sentence, when a tool it needs is missing.
require_tools() {
    local missing=() tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if [[ ${#missing[@]} -gt 0 ]]; then
        echo "FAIL: not installed: ${missing[*]}; scripts/install-deps installs the Debian" \
             "packages that bring them (scripts/debian-packages-*.txt)." >&2
        exit 1
    fi
}

source "$(dirname "${BASH_SOURCE[0]}")/../expect.sh"
