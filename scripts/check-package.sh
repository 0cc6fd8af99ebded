#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: the files it holds (no more, no
# fewer), its dependencies (a CJK font among them), its description, its changelog's version, its
# machine-readable copyright file, the manual pages, that gantrel and gantrel-cli run from it, and
# lintian (any error, or a missing manual page, fails). Needs dpkg-dev, lintian and help2man
# (bash scripts/dev.sh deps installs them).
#   bash scripts/check-package.sh [BUILD_DIR]      default: build
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
fail() { echo "check-package: $*" >&2; exit 1; }

rm -f "$build"/gantrel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/gantrel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single gantrel_*.deb in $build"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "gantrel_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "$(basename "$deb") is not named gantrel_<version>_<arch>.deb"
[ "$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)" = "$version" ] ||
  fail "packaging/debian/changelog does not start with version $version"

expected=(
  ./usr/bin/gantrel
  ./usr/bin/gantrel-cli
  ./usr/lib/udev/rules.d/60-gantrel.rules
  ./usr/share/applications/gantrel.desktop
  ./usr/share/doc/gantrel/changelog.gz
  ./usr/share/doc/gantrel/copyright
  ./usr/share/icons/hicolor/16x16/apps/gantrel.png
  ./usr/share/icons/hicolor/24x24/apps/gantrel.png
  ./usr/share/icons/hicolor/256x256/apps/gantrel.png
  ./usr/share/icons/hicolor/32x32/apps/gantrel.png
  ./usr/share/icons/hicolor/48x48/apps/gantrel.png
  ./usr/share/icons/hicolor/scalable/apps/gantrel.svg
  ./usr/share/man/man1/gantrel-cli.1.gz
  ./usr/share/man/man1/gantrel.1.gz
  ./usr/share/mime/packages/gantrel.xml
)
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | LC_ALL=C sort)
if [ "$actual" != "$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)" ]; then
  diff <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) <(echo "$actual") >&2 || true
  fail "the package's files differ from the list above (< expected, > in the package)"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for want in qt6-translations-l10n libqt6widgets6 libhidapi-hidraw0; do
  [[ ", $depends," == *", $want"[\ ,]* ]] || fail "Depends lacks $want: $depends"
done
# Without a CJK font every text of the window is a row of boxes.
font="fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic"
[[ ", $depends," == *", $font,"* ]] || fail "Depends lacks '$font': $depends"
description=$(dpkg-deb -f "$deb" Description)
[[ "$description" == *"chip's"* && "$description" != *"&"* ]] ||
  fail "the description lost its plain apostrophe: $description"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
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
copyright=$root/usr/share/doc/gantrel/copyright
[ "$(head -1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "the copyright file is not machine-readable (DEP-5)"
[ "$(grep -c '^License: GPL-3+$' "$copyright")" -eq 2 ] ||
  fail "the copyright file does not put every file under GPL-3+ and give its licence text"

echo "lintian $deb:"
tags=$(lintian --fail-on error "$deb") || { echo "$tags" >&2; fail "lintian found errors"; }
echo "$tags"
! grep -qE "(binary-without-manpage|manpage-|groff-message|copyright-)" <<<"$tags" ||
  fail "lintian finds fault with the manual pages or the copyright file"
echo "$(basename "$deb"): ${#expected[@]} files as listed, Depends: $depends"
