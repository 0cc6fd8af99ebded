#!/bin/bash
# The USB rig's guest (see run-rig.sh): the first process of the booted kernel. It sets up the
# programmer as a USB HID gadget (04D8:003F) on dummy_hcd, with gantrel_rig_gadget pumping its
# reports through the simulated programmer's firmware, runs gantrel-cli's scenarios against the
# hidraw node the kernel made for it, and writes "ok NAME" or "FAIL NAME: why" per check, then
# "done", to the results share. Exit statuses and the chip's content are checked, not timings.
set -u
export PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8
cli=$rig_cli src=$rig_source
# Scratch space lives in /run: a tmpfs over /tmp would hide a checkout (and the programs under
# test) that lies below the host's /tmp.
out=/run/results t=/run/rig
mount -t proc proc /proc && mount -t sysfs sys /sys && mount -t devtmpfs dev /dev &&
  mount -t tmpfs run /run
mkdir -p "$out" "$t" /run/user/0 /run/tmp
export TMPDIR=/run/tmp
mount -t 9p -o trans=virtio,version=9p2000.L results "$out"
trap 'sync; /bin/busybox poweroff -f' EXIT
exec >>"$out/log" 2>&1
export XDG_RUNTIME_DIR=/run/user/0 SOURCE_DATE_EPOCH=0
[ -f "$out/environment" ] && . "$out/environment"
notes=$XDG_RUNTIME_DIR/gantrel

result() { echo "$*" >>"$out/results"; }
pass_if() { if eval "$2"; then result "ok $1"; else result "FAIL $1"; fi; }

# The gadget: 64-byte input and output reports on a vendor page, no report IDs.
modprobe -a configfs dummy_hcd libcomposite usb_f_hid usbhid hid_generic || result "FAIL modprobe"
mount -t configfs none /sys/kernel/config
g=/sys/kernel/config/usb_gadget/gantrel
mkdir -p "$g/functions/hid.usb0" "$g/configs/c.1"
echo 0x04d8 >"$g/idVendor" && echo 0x003f >"$g/idProduct"
echo 0 >"$g/functions/hid.usb0/protocol" && echo 0 >"$g/functions/hid.usb0/subclass"
echo 64 >"$g/functions/hid.usb0/report_length"
printf '\x06\x00\xff\x09\x01\xa1\x01\x19\x01\x29\x40\x15\x00\x26\xff\x00\x75\x08\x95\x40\x81\x02\x19\x01\x29\x40\x91\x02\xc0' \
  >"$g/functions/hid.usb0/report_desc"
ln -s "$g/functions/hid.usb0" "$g/configs/c.1/"
udc=$(ls /sys/class/udc | head -n 1)

gpid=
wait_ready() {
  for _ in $(seq 300); do [ -e "$t/ready" ] && return 0; sleep 0.05; done
  result "FAIL the gadget did not get ready"; return 1
}
# Starts the firmware afresh (faults as --simulate-fault takes them), freshly plugged in.
start_gadget() {
  stop_gadget; rm -f "$t/ready"
  "$rig_gadget" "$g" "$udc" "$t/chip" "$t/gadget.log" "$t/ready" "$@" & gpid=$!
  wait_ready
}
stop_gadget() { [ -n "$gpid" ] && kill -TERM "$gpid" && wait "$gpid"; gpid=; }
# SIGUSR1 unplugs, SIGUSR2 plugs in again.
signal_gadget() { rm -f "$t/ready"; kill -"$1" "$gpid"; wait_ready; }
reports() { grep -c '^[0-9]' "$t/gadget.log"; }

# check NAME STATUS TEXT ARGS...: gantrel-cli ARGS exits with STATUS and says TEXT.
check() {
  local name=$1 want=$2 text=$3; shift 3
  echo "== $name: gantrel-cli $*"
  "$cli" "$@" >"$t/said" 2>&1; local got=$?
  cat "$t/said"; echo "== exit $got"
  if [ "$got" != "$want" ]; then result "FAIL $name: exit $got, expected $want"
  elif [ -n "$text" ] && ! grep -qF -- "$text" "$t/said"; then result "FAIL $name: no \"$text\""
  else result "ok $name"; fi
}
chip_is() { pass_if "$1: chip holds $2" "cmp -s '$t/chip' '$t/$2'"; }

v1=$src/examples/decoder.jed v2=$src/examples/decoder-v2.jed
signature=$("$cli" pes --simulate)
pass_if "the simulated programmer's signature" "[ -n '$signature' ]"
upload6="upload failed: answer to report 6 of 13 (block 5)"
block3="read-back failed: block 3 of 12"
burn="answer to the program command"

start_gadget && cp "$t/chip" "$t/blank"
check "pes" 0 "$signature" pes
check "program" 0 "decoder.jed: programmed and verified" program "$v1"
cp "$t/chip" "$t/decoder"
pass_if "program: the chip changed" "! cmp -s '$t/blank' '$t/decoder'"
check "read" 0 "" read -o "$t/read.jed"
check "read: the same logic as the file" 0 "" diff "$t/read.jed" "$v1"
"$cli" read --simulate-chip "$v1" -o "$t/simulated.jed"
pass_if "read: the same text as over the simulated programmer" "cmp -s '$t/read.jed' '$t/simulated.jed'"

# Faults in the upload (report 6 carries block 5), the read-back (report 3 is the 'a' that asks
# for block 3) and at the burn (report 14). Each starts freshly plugged in.
for fault in stop@6 late@6:4000 vanish@6; do
  start_gadget "$fault"
  case $fault in vanish*) said="$upload6: device gone" ;; *) said="$upload6: no answer within 2 s" ;; esac
  check "$fault" 1 "$said" program "$v2"
  chip_is "$fault" decoder
done
for fault in stop@3 late@3:4000 vanish@3; do
  start_gadget "$fault"
  case $fault in vanish*) said="$block3: device gone" ;; *) said="$block3: no answer within 2 s" ;; esac
  check "$fault" 1 "$said" read -o "$t/broken.jed"
  pass_if "$fault: no file" "[ ! -e '$t/broken.jed' ]"
done
for fault in vanish@14 replug@14; do
  start_gadget "$fault"
  check "$fault" 1 "$burn: device gone" program "$v2"
  chip_is "$fault: nothing burned" decoder
done
start_gadget late@14:3000
check "late@14 (within the burn's bound)" 0 "decoder-v2.jed: programmed and verified" program "$v2"
cp "$t/chip" "$t/decoder-v2"
# The firmware burns what it was sent even when its answer never comes.
start_gadget stop@14
check "stop@14" 1 "no answer to the burn command within 20 s" program "$v1"
chip_is "stop@14" decoder
start_gadget burn-fails
check "burn-fails" 1 "answered 'F' instead of" program "$v2"
chip_is "burn-fails" decoder
# Fuse 5891 (a bit of the UES) is 0 on the chip and 1 in decoder-v2.jed.
start_gadget stuck@5891
check "stuck@5891" 1 "fuse 5891 (L5828): file 1, chip 0" program "$v2"

# Discovery while unplugged, and after the programmer is plugged in again.
signal_gadget USR1
check "unplugged" 3 "no programmer found" pes
signal_gadget USR2
check "plugged in again" 0 "$signature" pes

# Across runs: run 1 gives up on a late answer while the firmware is still inside the upload;
# run 2 must send nothing; after a reconnect, run 3 works.
start_gadget late@6:3000
check "cross-run 1" 1 "$upload6: no answer within 2 s" program "$v1"
pass_if "cross-run 1: a note is left" "[ -n \"\$(ls '$notes')\" ]"
sleep 1.5  # the late answer goes out meanwhile
before=$(reports) && cp "$t/chip" "$t/before-run-2"
earlier="an earlier run broke off an exchange with this programmer; reconnect it (unplug it and plug it in again)"
check "cross-run 2: pes" 1 "$earlier" pes
check "cross-run 2: program" 1 "$earlier" program --no-verify "$v2"
pass_if "cross-run 2: nothing sent" "[ $before = \$(reports) ]"
chip_is "cross-run 2" before-run-2
signal_gadget USR1 && signal_gadget USR2
check "cross-run 3" 0 "$signature" pes
pass_if "cross-run 3: the note is gone" "[ -z \"\$(ls '$notes')\" ]"

# The udev rule on the real node.
mkdir -p /run/udev/rules.d && cp "$src/packaging/linux/60-gantrel.rules" /run/udev/rules.d/
/lib/systemd/systemd-udevd --daemon && udevadm trigger --subsystem-match=hidraw --action=add &&
  udevadm settle --timeout=20
node=/dev/$(ls /sys/class/hidraw | head -n 1)
pass_if "udev rule: $node is group plugdev, mode 660" "[ \"\$(stat -c '%G %a' $node)\" = 'plugdev 660' ]"
stop_gadget
result done
