#!/usr/bin/env bash
# Makes a Wine prefix for the guest on this machine (wineboot takes seconds here and much longer
# under TCG): with no udev in the guest, Wine's HID bus must not wait for udevd, and with SDL
# enabled its hidraw bus never starts.
#
#   prepare-wine-prefix.sh PREFIX
set -euo pipefail
prefix=$1
source "$(dirname "$0")/../windows/wine-prefix.sh"
require_tools wine wineserver
rm -rf "$prefix"
unset DISPLAY WAYLAND_DISPLAY
trap 'stop_wine; rm -rf "$prefix.tmp"' EXIT
boot_wine_prefix "$prefix" "$prefix.home" "$prefix.tmp"
bus='HKLM\System\CurrentControlSet\Services\winebus'
for value in 'DisableUdevd' 'Enable SDL'; do
    timeout 60 wine reg add "$bus" /v "$value" /t REG_DWORD /d $([ "$value" = DisableUdevd ] && echo 1 || echo 0) /f >/dev/null 2>&1
done
timeout 120 wineserver -w
