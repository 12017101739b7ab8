#!/usr/bin/env bash
# Makes a Wine prefix for the guest on this machine (wineboot takes seconds here and much longer
# under TCG): with no udev in the guest, Wine's HID bus must not wait for udevd, and with SDL
# enabled its hidraw bus never starts.
#
#   prepare-wine-prefix.sh PREFIX
set -euo pipefail
prefix=$1
command -v wine >/dev/null && command -v wineserver >/dev/null ||
    { echo "wine is missing: install the Debian packages wine and wine64 (scripts/install-deps)." >&2; exit 1; }
rm -rf "$prefix" && mkdir -p "$prefix.home" "$prefix.tmp"
export WINEPREFIX=$prefix HOME=$prefix.home TMPDIR=$prefix.tmp WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix.tmp"' EXIT
if ! { timeout 300 wine wineboot -i && timeout 120 wineserver -w; } >"$prefix.log" 2>&1; then
    cat "$prefix.log" >&2
    echo "wineboot could not make the Wine prefix $prefix." >&2
    exit 1
fi
bus='HKLM\System\CurrentControlSet\Services\winebus'
for value in 'DisableUdevd' 'Enable SDL'; do
    timeout 60 wine reg add "$bus" /v "$value" /t REG_DWORD /d $([ "$value" = DisableUdevd ] && echo 1 || echo 0) /f >/dev/null 2>&1
done
timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
timeout 120 wineserver -w
