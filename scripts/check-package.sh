#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: the files it holds (no more, no
# fewer), its dependencies, its changelog's version, that gantrel-cli runs from it, and lintian
# (any error fails). Needs dpkg-dev and lintian (bash scripts/dev.sh deps installs them).
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
[ "$(dpkg-deb -f "$deb" Recommends)" = fonts-noto-cjk ] || fail "Recommends is not fonts-noto-cjk"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/gantrel-cli" --version >/dev/null || fail "the packaged gantrel-cli does not run"

echo "lintian $deb:"
lintian --fail-on error "$deb" || fail "lintian found errors"
echo "$(basename "$deb"): ${#expected[@]} files as listed, Depends: $depends"
