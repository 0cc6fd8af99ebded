#!/usr/bin/env bash
# The USB rig: boots Debian's own kernel (linux-image-amd64) in qemu-system-x86_64 under plain
# emulation, with this machine's root file system shared read-only over 9p as the guest's root
# and a small initramfs built here from busybox-static and the kernel's virtio and 9p modules.
# The guest (guest.sh) hosts the programmer as a USB HID gadget on dummy_hcd, runs the
# scenarios against it with GANTREL_CLI and writes its results to a second, writable share.
#   bash tests/usb-rig/run-rig.sh GANTREL_CLI GADGET_PROGRAM
# Exit 0 when every scenario passed, 1 otherwise, also when the guest gave no result.
# GANTREL_RIG_TIMEOUT (seconds, 300 by default) bounds the guest's whole run; with
# GANTREL_RIG_KEEP set, the work folder (console, results, the guest's log) is kept.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$(realpath "${1:?usage: run-rig.sh GANTREL_CLI GADGET_PROGRAM}")
gadget=$(realpath "${2:?usage: run-rig.sh GANTREL_CLI GADGET_PROGRAM}")
limit=${GANTREL_RIG_TIMEOUT:-300}
fail() { echo "usb rig: $*" >&2; exit 1; }

for tool in qemu-system-x86_64 cpio modprobe; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/dev.sh deps installs it)"
done
[ -x /bin/busybox ] || fail "/bin/busybox is missing (package busybox-static)"
# Debian's kernel, whatever this machine runs: the newest installed, with its own modules.
kernel=$(ls /boot/vmlinuz-*-amd64 2>/dev/null | sort -V | tail -n 1)
[ -n "$kernel" ] || fail "no /boot/vmlinuz-*-amd64 (package linux-image-amd64)"
version=${kernel#/boot/vmlinuz-}
[ -d "/lib/modules/$version" ] || fail "no modules for $version in /lib/modules"

work=$(mktemp -d)
trap '[ -n "${GANTREL_RIG_KEEP:-}" ] || rm -rf "$work"' EXIT
[ -n "${GANTREL_RIG_KEEP:-}" ] && echo "usb rig: keeping $work"
mkdir -p "$work/initrd/bin" "$work/initrd/mods" "$work/initrd/newroot" "$work/initrd/proc" \
  "$work/results"
cp /bin/busybox "$work/initrd/bin/busybox"
ln -s busybox "$work/initrd/bin/sh"
# The modules the guest needs to reach the shares, each after what it depends on.
: >"$work/initrd/mods/order"
for module in virtio_pci 9pnet_virtio 9p; do
  modprobe -S "$version" --show-depends "$module" | while read -r verb file _; do
    [ "$verb" = insmod ] || continue
    name=$(basename "$file")
    grep -qx "$name" "$work/initrd/mods/order" && continue
    cp "$file" "$work/initrd/mods/$name"
    echo "$name" >>"$work/initrd/mods/order"
  done
done
cat >"$work/initrd/init" <<'INIT'
#!/bin/sh
for m in $(/bin/busybox cat /mods/order); do /bin/busybox insmod "/mods/$m" || echo "rig: insmod $m failed"; done
/bin/busybox mount -t 9p -o trans=virtio,version=9p2000.L,cache=loose,ro hostroot /newroot
exec /bin/busybox switch_root /newroot /bin/bash "$rig_guest"
INIT
chmod +x "$work/initrd/init"
# The sanitizers' settings of the run reach the guest's programs through the results share.
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
  [ -n "${!name:-}" ] && printf 'export %s=%q\n' "$name" "${!name}" >>"$work/results/environment"
done
(cd "$work/initrd" && find . | cpio -o -H newc --quiet | gzip -1 >"$work/initrd.img")

# Under KVM this kernel hangs on these machines; plain emulation boots it in seconds.
start=$(date +%s)
set +e
timeout --kill-after=10 "$limit" qemu-system-x86_64 -accel tcg -m 768 -smp 1 \
  -nographic -no-reboot -nodefaults -serial stdio \
  -kernel "$kernel" -initrd "$work/initrd.img" \
  -append "console=ttyS0 panic=-1 quiet rig_guest=$here/guest.sh rig_cli=$cli rig_gadget=$gadget rig_source=$(realpath "$here/../..")" \
  -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap" \
  -virtfs "local,path=$work/results,mount_tag=results,security_model=none" \
  >"$work/console.log" 2>&1 </dev/null
qemu_status=$?
set -e
echo "usb rig: the guest ran $(($(date +%s) - start)) s"

if [ ! -s "$work/results/results" ] || ! grep -qx done "$work/results/results"; then
  [ "$qemu_status" = 124 ] && echo "usb rig: the guest was stopped after $limit s" >&2
  echo "usb rig: the guest gave no complete result; its console's last lines:" >&2
  tail -n 40 "$work/console.log" >&2
  exit 1
fi
cat "$work/results/results"
if grep -q '^FAIL' "$work/results/results"; then
  echo "usb rig: the guest's log:" >&2
  cat "$work/results/log" >&2 || true
  exit 1
fi
