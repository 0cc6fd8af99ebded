#!/usr/bin/env bash
# Builds the two Debian packages, gantrel-cli and gantrel, from a build folder and checks them:
# the files each holds (no more, no fewer), their dependencies (none on Qt for gantrel-cli; a CJK
# font and gantrel-cli of the same version for gantrel), their descriptions, the changelog's
# version, the machine-readable copyright files, the manual pages, that gantrel and gantrel-cli
# run from them, and lintian (any error, or a missing manual page, fails). Needs dpkg-dev,
# lintian and help2man (bash scripts/dev.sh deps installs them).
#   bash scripts/check-package.sh [BUILD_DIR]      default: build
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
fail() { echo "check-package: $*" >&2; exit 1; }

rm -f "$build"/gantrel_*.deb "$build"/gantrel-cli_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
arch=$(dpkg --print-architecture)
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
for package in gantrel gantrel-cli; do
  [ -f "$build/${package}_${version}_$arch.deb" ] ||
    fail "cpack made no ${package}_<version>_<arch>.deb of version $version (packaging/debian/changelog)"
done
cli_deb=$build/gantrel-cli_${version}_$arch.deb
window_deb=$build/gantrel_${version}_$arch.deb

# The files of each package, no more, no fewer.
cli_files=(
  ./usr/bin/gantrel-cli
  ./usr/lib/udev/rules.d/60-gantrel.rules
  ./usr/share/doc/gantrel-cli/changelog.gz
  ./usr/share/doc/gantrel-cli/copyright
  ./usr/share/man/man1/gantrel-cli.1.gz
)
window_files=(
  ./usr/bin/gantrel
  ./usr/share/applications/gantrel.desktop
  ./usr/share/doc/gantrel/changelog.gz
  ./usr/share/doc/gantrel/copyright
  ./usr/share/icons/hicolor/16x16/apps/gantrel.png
  ./usr/share/icons/hicolor/24x24/apps/gantrel.png
  ./usr/share/icons/hicolor/256x256/apps/gantrel.png
  ./usr/share/icons/hicolor/32x32/apps/gantrel.png
  ./usr/share/icons/hicolor/48x48/apps/gantrel.png
  ./usr/share/icons/hicolor/scalable/apps/gantrel.svg
  ./usr/share/man/man1/gantrel.1.gz
  ./usr/share/mime/packages/gantrel.xml
)
check_files() {  # DEB FILE...
  local deb=$1 actual
  shift
  actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | LC_ALL=C sort)
  if [ "$actual" != "$(printf '%s\n' "$@" | LC_ALL=C sort)" ]; then
    diff <(printf '%s\n' "$@" | LC_ALL=C sort) <(echo "$actual") >&2 || true
    fail "the files of $(basename "$deb") differ from its list (< expected, > in the package)"
  fi
}
check_files "$cli_deb" "${cli_files[@]}"
check_files "$window_deb" "${window_files[@]}"

# A Depends field holds `want` as one of its entries.
has() { [[ ", $1," == *", $2"[\ ,]* ]]; }
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
has "$cli_depends" libhidapi-hidraw0 || fail "gantrel-cli's Depends lacks libhidapi-hidraw0: $cli_depends"
# A programming station needs no Qt, ICU or font.
! grep -qiE "qt|icu|font" <<<"$cli_depends" || fail "gantrel-cli depends on Qt, ICU or a font: $cli_depends"
depends=$(dpkg-deb -f "$window_deb" Depends)
for want in qt6-translations-l10n libqt6widgets6 "gantrel-cli (= $version)"; do
  has "$depends" "$want" || fail "gantrel's Depends lacks $want: $depends"
done
# Without a CJK font every text of the window is a row of boxes.
font="fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic"
[[ ", $depends," == *", $font,"* ]] || fail "Depends lacks '$font': $depends"
for deb in "$cli_deb" "$window_deb"; do
  description=$(dpkg-deb -f "$deb" Description)
  [[ "$description" == *"chip's"* && "$description" != *"&"* ]] ||
    fail "the description of $(basename "$deb") lost its plain apostrophe: $description"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$cli_deb" "$root"
dpkg-deb -x "$window_deb" "$root"
for binary in gantrel gantrel-cli; do
  # --version needs no display: the window's binary answers it before Qt starts.
  env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$binary" --version >/dev/null ||
    fail "the packaged $binary does not run"
  # The page is help2man's, named after the program, with the hand-written sections.
  page=$(zcat "$root/usr/share/man/man1/$binary.1.gz")
  for want in ".SH NAME" "$binary \\- " '.SH "SIMULATED PROGRAMMER"' ".SH FILES" \
      "60\\-gantrel.rules" '.SH "EXIT STATUS"'; do
    grep -qF -- "$want" <<<"$page" || fail "$binary(1) lacks $want"
  done
done
for package in gantrel gantrel-cli; do
  copyright=$root/usr/share/doc/$package/copyright
  [ "$(head -1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "the copyright file of $package is not machine-readable (DEP-5)"
  [ "$(grep -c '^License: GPL-3+$' "$copyright")" -eq 2 ] ||
    fail "the copyright file of $package does not put every file under GPL-3+ and give its licence text"
done

for deb in "$cli_deb" "$window_deb"; do
  echo "lintian $deb:"
  tags=$(lintian --fail-on error "$deb") || { echo "$tags" >&2; fail "lintian found errors"; }
  echo "$tags"
  ! grep -qE "(binary-without-manpage|manpage-|groff-message|copyright-)" <<<"$tags" ||
    fail "lintian finds fault with the manual pages or the copyright file"
done
echo "$(basename "$cli_deb"): ${#cli_files[@]} files as listed, Depends: $cli_depends"
echo "$(basename "$window_deb"): ${#window_files[@]} files as listed, Depends: $depends"
