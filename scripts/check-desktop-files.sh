#!/usr/bin/env bash
# Checks the desktop entry and the MIME type as the desktop reads them: desktop-file-validate on
# the entry, which must start `gantrel %f` for the type it names, and a MIME database built from
# the XML in a scratch folder, where *.jed (in any case) must give that type, a kind of
# text/plain, commented in English and Japanese. Exits 77 (skipped) without the tools.
set -euo pipefail
dir=$(cd "$(dirname "$0")/../packaging/linux" && pwd)
fail() { echo "$*" >&2; exit 1; }
for tool in desktop-file-validate update-mime-database; do
  command -v "$tool" >/dev/null ||
    { echo "skipped: $tool is not installed (bash scripts/dev.sh deps installs it)"; exit 77; }
done

entry=$dir/gantrel.desktop
desktop-file-validate "$entry"
grep -qx 'Exec=gantrel %f' "$entry" || fail "$entry: Exec is not 'gantrel %f'"
type=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$entry")
[ -n "$type" ] || fail "$entry: no MimeType with one type"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
db=$tmp/mime
mkdir -p "$db/packages"
cp "$dir/gantrel.xml" "$db/packages/"
# With the folder on XDG_DATA_DIRS the tool prints nothing but complaints.
complaints=$(XDG_DATA_DIRS=$tmp update-mime-database "$db" 2>&1)
[ -z "$complaints" ] || fail "gantrel.xml: $complaints"
# A glob without ":cs" matches in any case.
grep -qx "50:$type:\*.jed" "$db/globs2" || fail "gantrel.xml: *.jed does not give $type"
! grep -q ':cs$' "$db/globs2" || fail "gantrel.xml: a glob is case-sensitive"
grep -qx "$type text/plain" "$db/subclasses" || fail "gantrel.xml: $type is not a kind of text/plain"
grep -q '<comment>.' "$db/$type.xml" || fail "gantrel.xml: no English comment"
grep -q '<comment xml:lang="ja">.' "$db/$type.xml" || fail "gantrel.xml: no Japanese comment"
echo "gantrel.desktop and gantrel.xml: $type for *.jed, opened with gantrel %f"
