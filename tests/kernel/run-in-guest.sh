#!/usr/bin/env bash
# Boots the guest (see prepare-guest.sh) and runs one bash script in it, inside the host's own
# root, so that it runs programs straight from the build tree. SCRATCH_DIR is shared writable at
# its own path, wherever it lies (the host's /tmp too); the script's output comes back over the
# serial console, its exit status is this script's exit status.
#
#   run-in-guest.sh CACHE_DIR SCRATCH_DIR SCRIPT [ARG]...
set -euo pipefail
cache=$1 scratch=$2 script=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)

bash "$here/prepare-guest.sh" "$cache"
guest=$cache/current
mkdir -p "$scratch"
# Without symbolic links: the guest mounts it from outside the host's root, where they lead astray.
scratch=$(cd "$scratch" && pwd -P)
rm -f "$scratch/status"
# The guest mounts the scratch folder at the path written here: in a file rather than on the
# kernel's command line, a path keeps its spaces.
printf '%s' "$scratch" >"$scratch/path"
{
    printf 'cd %q\n' "$PWD"
    printf 'exec bash %q' "$(cd "$(dirname "$script")" && pwd)/$(basename "$script")"
    printf ' %q' "$@"
    printf '\n'
} >"$scratch/command"

# QEMU reads a doubled comma in an option's value as a comma.
# TCG: KVM guests hang on these machines. -smap: with it every Wine process in the guest dies.
started=$(date +%s.%N)
timeout 600 qemu-system-x86_64 -machine pc,accel=tcg -cpu max,-smap -smp 1 -m 1536 \
    -nodefaults -no-reboot -display none -serial stdio \
    -kernel "$guest/vmlinux" -initrd "$guest/initramfs.cpio" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1" \
    -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    -fsdev local,id=scratch,path="${scratch//,/,,}",security_model=none \
    -device virtio-9p-pci,fsdev=scratch,mount_tag=scratch \
    ${TENSILO_GUEST_QEMU_EXTRA:-} </dev/null | tr -d '\r'
awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { printf "guest run: %.1f s\n", e - s }'
if [ ! -f "$scratch/status" ]; then
    echo "The guest ended without an exit status (see its console output above)." >&2
    exit 1
fi
exit "$(cat "$scratch/status")"
