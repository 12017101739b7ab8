#!/usr/bin/env bash
# Tests the Windows download under Wine, in a fresh prefix on a 1280x800 virtual screen, so that
# the programs run with the Windows platform plugin the packages ship:
# - the zip holds exactly the expected files; unpacked, the demo's self-check passes from there,
#   on the Windows platform and offscreen;
# - each program in it carries the icon (16, 24, 32, 48 and 256 pixels) and its version
#   information, as the installer carries its own, and uses the C++ runtime DLLs shipped beside it,
#   which Qt's DLLs use too, rather than a copy of its own;
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
require_tools wine wineserver timeout unzip x86_64-w64-mingw32-objdump wrestool icotool strings
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
    shift # then any argument for the demo: a platform of Qt's
    timeout 120 wine "$bin/tensilo-demo.exe" --self-check-ms 500 "$@" >"$work/demo.raw" 2>&1 ||
        status=$?
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
bin/platforms/qoffscreen.dll
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
bin=$drive_c/unpacked/$name/bin

# The DLLs a program or DLL loads by name at start.
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'; }
# The value of a key in a file's version information, from its UTF-16 strings: the key's line is
# followed by the value's.
version_value() { wrestool -x --raw -t 16 "$1" | strings -el -n 1 | sed -n "/^$2\$/{n;p;q}"; }
# The pixel sizes of the file's first icon, as Explorer reads them from its resources.
icon_sizes() {
    wrestool -x -t 14 "$1" >"$work/group.ico" &&
        icotool -l "$work/group.ico" | sed -n 's/.*--width=\([0-9]*\) --height=\1 .*/\1/p' | sort -n | xargs
}
program_version_information() { # file, the description it must give
    local file=$1 description=$2 key value
    for key in ProductName ProductVersion FileVersion FileDescription CompanyName LegalCopyright; do
        echo "  $key: $(version_value "$file" "$key")"
    done
    [[ $(version_value "$file" ProductName) == "Tensilo Configuration" &&
       $(version_value "$file" ProductVersion) == "$version" &&
       $(version_value "$file" FileVersion) == "$version" &&
       $(version_value "$file" CompanyName) == "Tensilo Configuration developers" &&
       $(version_value "$file" LegalCopyright) == "Copyright (c) "*" Tensilo Configuration developers" &&
       $(version_value "$file" FileDescription) == $description ]]
}
# The programs are those the zip must hold.
mapfile -t programs < <(sed -n 's|^.*/bin/\(.*\)\.exe$|\1|p' "$expected_zip")
descriptions=()
for program in "${programs[@]}"; do
    exe=$bin/$program.exe
    echo "$program.exe: imports $(imports "$exe" | xargs); icon $(icon_sizes "$exe")"
    expect "$program.exe uses the shipped C++ runtime" grep -qx 'libstdc++-6.dll' <(imports "$exe")
    # Windows finds DLLs whatever the case of their names.
    for dll in $(imports "$exe" | grep -E '^(lib|qt6)'); do
        expect "$program.exe loads $dll, which is shipped beside it" \
            grep -qx "$dll" <(ls "$bin" | tr 'A-Z' 'a-z')
    done
    expect "$program.exe carries the icon at 16, 24, 32, 48 and 256 pixels" \
        test "$(icon_sizes "$exe")" = "16 24 32 48 256"
    expect "$program.exe tells what it is and its version" \
        program_version_information "$exe" "Tensilo Configuration*"
    descriptions+=("$(version_value "$exe" FileDescription)")
done
expect "each program describes itself in its own words" \
    test "$(printf '%s\n' "${descriptions[@]}" | sort -u | wc -l)" -eq "${#descriptions[@]}"
expect "Qt's DLLs use the same C++ runtime" grep -qx 'libstdc++-6.dll' <(imports "$bin/Qt6Core.dll")
echo "$name.exe:"
expect "the installer tells what it installs and its version" \
    program_version_information "$packages/$name.exe" "Tensilo Configuration $version installer"
expect "the demo's self-check passes in the unpacked zip" self_check_from "C:/unpacked/$name/bin"
expect "the unpacked zip runs it offscreen too, as the README shows" \
    self_check_from "C:/unpacked/$name/bin" -platform offscreen
rm -rf "$drive_c/unpacked"
expect "the unpacked programs left nothing in the prefix" unchanged_since fresh

echo "=== $name.exe"
installed="$drive_c/Program Files/Tensilo Configuration"
status=0
timeout 300 wine "$packages/$name.exe" /S || status=$?
expect "the silent install exits with 0 (got $status)" test "$status" -eq 0
stop_wine
for program in "${programs[@]}"; do
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
