#!/usr/bin/env bash
# Makes the guest that tests boot: Debian's own kernel, from the package that linux-image-amd64
# depends on (downloaded with apt-get and unpacked, never installed on this machine), as an
# uncompressed vmlinux that QEMU boots by PVH, and an initramfs with busybox, the kernel modules
# for USB gadgets, HID, 9p and overlayfs, and guest-init as its init. Everything is cached in
# CACHE_DIR; a second run with the same kernel version does nothing.
#
#   prepare-guest.sh CACHE_DIR
#
# Prints nothing on success; on failure, one sentence saying what is missing.
set -euo pipefail
cache=$1

fail() { echo "$*" >&2; exit 1; }

command -v qemu-system-x86_64 >/dev/null ||
    fail "qemu-system-x86_64 is missing: install the Debian package qemu-system-x86 (scripts/install-deps)."
for tool in cpio xz dpkg-deb apt-get apt-cache file flock; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps."
done
[ -x /bin/busybox ] && file -L /bin/busybox 2>/dev/null | grep -q 'statically linked' ||
    fail "a static busybox is missing: install the Debian package busybox-static (scripts/install-deps)."

case $0 in */*) here=$(cd "${0%/*}" && pwd) ;; *) here=$PWD ;; esac
mkdir -p "$cache"
# Guest runs started together wait here for the first to make the guest.
exec 9>"$cache/.lock"
flock 9

# The versioned kernel package behind the meta package, e.g. linux-image-6.1.0-57-amd64.
package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n1)
[ -n "$package" ] ||
    fail "the kernel package linux-image-amd64 is not known to apt (no Debian package lists: run apt-get update)."
guest=$cache/$package
if [ -f "$guest/vmlinux" ] && [ -f "$guest/initramfs.cpio" ] &&
    [ "$guest/initramfs.cpio" -nt "$here/guest-init" ] && [ "$guest/initramfs.cpio" -nt "$0" ]; then
    ln -sfn "$package" "$cache/current"
    exit 0
fi

rm -rf "$guest" && mkdir -p "$guest/download"
(cd "$guest/download" && apt-get download "$package" >/dev/null 2>&1) ||
    fail "the kernel package $package could not be downloaded with apt-get download."
dpkg-deb -x "$guest"/download/*.deb "$guest/unpacked"
rm -rf "$guest/download"

# The bzImage carries the kernel as an XZ stream: QEMU boots the uncompressed ELF by PVH, which
# saves the decompression in the guest (seconds under TCG).
bzimage=$(echo "$guest"/unpacked/boot/vmlinuz-*)
offset=$(LC_ALL=C grep -obUaP '\xFD7zXZ\x00' "$bzimage" | head -n1 | cut -d: -f1)
[ -n "$offset" ] || fail "the kernel image $bzimage holds no XZ stream."
# xz stops reading after the stream, so the reader before it may end on a broken pipe.
xz -dc --single-stream < <(tail -c +$((offset + 1)) "$bzimage" 2>/dev/null) >"$guest/vmlinux" 2>/dev/null ||
    fail "the kernel image $bzimage could not be decompressed."

# The initramfs: busybox, the modules in load order (with their parameters), the init script.
root=$guest/initramfs
mkdir -p "$root"/{bin,dev,proc,sys,host,scratch,layers,modules}
cp /bin/busybox "$root/bin/busybox"
cp "$here/guest-init" "$root/init"
chmod 755 "$root/init"
modules_dir=$(echo "$guest"/unpacked/lib/modules/*)
while read -r module parameters; do
    [ -n "$module" ] || continue
    found=$(find "$modules_dir/kernel" -name "$module.ko" | head -n1)
    if [ -z "$found" ]; then
        grep -q "/$module.ko\$" "$modules_dir/modules.builtin" ||
            fail "the kernel package $package has no module $module."
        continue
    fi
    cp "$found" "$root/modules/"
    echo "$module $parameters" >>"$root/modules/load-order"
done <<'MODULES'
virtio_ring
virtio
virtio_pci_legacy_dev
virtio_pci_modern_dev
virtio_pci
netfs
fscache
9pnet
9pnet_virtio
9p
overlay
usb-common
usbcore
xhci-hcd
xhci-pci
udc-core
dummy_hcd num=4
configfs
libcomposite
usb_f_fs
hid
hid-generic
usbhid
MODULES
(cd "$root" && find . | cpio -o -H newc --quiet) >"$guest/initramfs.cpio"
rm -rf "$root" "$guest/unpacked/lib"
ln -sfn "$package" "$cache/current"
