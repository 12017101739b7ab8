#!/usr/bin/env bash
# Tests the Windows download under Wine, in a fresh prefix on a 1280x800 virtual screen, so that
# the programs run with the Windows platform plugin the packages ship:
# - the zip holds exactly the expected files; unpacked, the demo's self-check passes from there;
# - the installer installs silently, with Start-menu entries for the tool and the demo and an
#   uninstaller; the demo's self-check passes from the installed folder; the silent uninstall
#   removes every file, entry and registry key, so that the prefix is as before.
# Usage: run-packages.sh PACKAGES_DIR VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ -z ${DISPLAY:-} ]]; then
    command -v xvfb-run >/dev/null ||
        { echo "FAIL: xvfb-run is not installed (Debian package xvfb; scripts/install-deps)" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$here/run-packages.sh" "$@"
fi
packages=$(cd "$1" && pwd)
version=$2
name=tensilo-config-$version-win64
source "$here/wine-prefix.sh"
require_tools wine wineserver timeout unzip
for file in "$name.zip" "$name.exe"; do
    [[ -f $packages/$file ]] ||
        { echo "FAIL: $packages/$file is missing: the Windows build did not run" >&2; exit 1; }
done

fresh_wine_prefix
drive_c=$WINEPREFIX/drive_c

# What a package may leave behind: every file of the prefix except the temporary folders and the
# prefix's own logs, and every registry line that names the product.
snapshot() {
    stop_wine
    (cd "$drive_c" && find . -path '*/Temp' -prune -o -path './windows/temp' -prune -o -print |
        LC_ALL=C sort) >"$work/$1.files"
    grep -i -h 'tensilo' "$WINEPREFIX"/*.reg >"$work/$1.registry" || true
}
unchanged_since() { # the prefix holds what it held at snapshot $1
    snapshot now
    diff "$work/$1.files" "$work/now.files" && diff "$work/$1.registry" "$work/now.registry"
}
self_check_from() { # the demo's self-check, started from the folder a package put it in
    local bin=$1 status=0
    timeout 120 wine "$bin/tensilo-demo.exe" --self-check-ms 500 >"$work/demo.raw" 2>&1 || status=$?
    tr -d '\r' <"$work/demo.raw" | tee "$work/demo.out"
    [[ $status -eq 0 ]] && grep -qx 'self-check passed' "$work/demo.out"
}
snapshot fresh

echo "=== $name.zip"
expected_zip=$work/expected-zip
sed "s|^|$name/|" >"$expected_zip" <<'LIST'
LICENSE
README.md
bin/Qt6Core.dll
bin/Qt6Gui.dll
bin/Qt6Widgets.dll
bin/imageformats/qico.dll
bin/libgcc_s_seh-1.dll
bin/libstdc++-6.dll
bin/libwinpthread-1.dll
bin/platforms/qwindows.dll
bin/styles/qwindowsvistastyle.dll
bin/tensilo-config.exe
bin/tensilo-demo.exe
bin/tensilo-hid-list.exe
bin/tensiloctl.exe
LIST
unzip -Z1 "$packages/$name.zip" | grep -v '/$' | LC_ALL=C sort >"$work/zip-files"
expect "the zip holds the three programs, Qt's DLLs and plugins, the runtime, README and LICENSE" \
    diff "$expected_zip" "$work/zip-files"
mkdir "$drive_c/unpacked"
unzip -q "$packages/$name.zip" -d "$drive_c/unpacked"
expect "the demo's self-check passes in the unpacked zip" self_check_from "C:/unpacked/$name/bin"
rm -rf "$drive_c/unpacked"
expect "the unpacked programs left nothing in the prefix" unchanged_since fresh

echo "=== $name.exe"
installed="$drive_c/Program Files/Tensilo Configuration"
status=0
timeout 300 wine "$packages/$name.exe" /S || status=$?
expect "the silent install exits with 0 (got $status)" test "$status" -eq 0
stop_wine
for program in tensilo-config tensilo-demo tensilo-hid-list; do
    expect "$program.exe is installed" test -f "$installed/bin/$program.exe"
done
expect "the uninstaller is installed" test -f "$installed/Uninstall.exe"
find "$drive_c" -path '*Start Menu*' -name '*.lnk' >"$work/links"
sed 's|.*/||' "$work/links"
expect "the Start menu has an entry for the tool" grep -qx '.*/Tensilo Configuration.lnk' "$work/links"
expect "the Start menu has an entry for the demo" grep -qx '.*/Tensilo Configuration demo.lnk' "$work/links"
expect "the installer registered its uninstaller" \
    grep -q 'Uninstall\\\\Tensilo Configuration\]' "$WINEPREFIX/system.reg"
expect "the demo's self-check passes in the installed folder" \
    self_check_from "C:/Program Files/Tensilo Configuration/bin"

status=0
timeout 300 wine "$installed/Uninstall.exe" /S || status=$?
# The uninstaller runs from a copy of itself in the temporary folder: wait until it has ended.
timeout 120 wineserver -w || true
expect "the silent uninstall exits with 0 (got $status)" test "$status" -eq 0
expect "the installed folder is gone" test ! -e "$installed"
expect "the uninstall left nothing behind" unchanged_since fresh

echo "windows packages: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
