#!/usr/bin/env bash
# Sets up a Debian 12 machine for Gantrel, builds it, and starts the window or runs every test.
#   bash scripts/dev.sh run    install what is missing, build, start the window
#   bash scripts/dev.sh test   install what is missing, build, run every test (ctest)
#   bash scripts/dev.sh deps   install every package that building, testing, packaging and
#                              running need (the CJK font included), and nothing else
# Only the package installation needs root: it goes through sudo when run as a normal user.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
  run|test|deps) ;;
  *) echo "usage: bash scripts/dev.sh run|test|deps" >&2; exit 2 ;;
esac

build_packages=(cmake g++ make pkg-config qt6-base-dev qt6-translations-l10n libhidapi-dev
  libcli11-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev clang
  libclang-rt-14-dev)
# The desktop entry's and MIME type's check, the manual pages, and the Debian package with its
# check.
package_packages=(desktop-file-utils shared-mime-info help2man dpkg-dev lintian)
run_packages=(fonts-noto-cjk xvfb xauth)
# The USB rig (tests/usb-rig): Debian's kernel under QEMU, its initramfs, udev in the guest.
rig_packages=(qemu-system-x86 linux-image-amd64 busybox-static cpio kmod udev)

missing=()
want=("${build_packages[@]}" "${package_packages[@]}")
[ "$mode" != test ] && want+=("${run_packages[@]}")
[ "$mode" != run ] && want+=("${rig_packages[@]}")
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ "$mode" = deps ] && exit 0

build=${GANTREL_BUILD_DIR:-build}
cmake --preset default -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)"

if [ "$mode" = test ]; then
  export QT_QPA_PLATFORM=offscreen
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
  ctest --preset default --test-dir "$build" -j"$(nproc)"
else
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting the window under xvfb-run (it stays invisible; close with Ctrl+C)."
    exec xvfb-run -a "$build/app/gantrel"
  fi
  exec "$build/app/gantrel"
fi
