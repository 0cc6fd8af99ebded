#!/usr/bin/env bash
# CPU time of gantrel-cli beside MAME's jedutil (Debian package mame-tools), measured side by
# side in one run over the same files, the two programs alternating:
#   gantrel-cli explain FILE     against  jedutil -view FILE GAL22V10
#   gantrel-cli --version        against  jedutil -viewlist
# The files are examples/*.jed and, where ../shared/jedec-samples is present, its 22V10 maps.
# Prints the median CPU time (user + system, from wait4) per file of each and their ratio.
#   bash bench/vs-jedutil.sh [GANTREL_CLI] [ROUNDS]
# Exits 77 when jedutil or python3 is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build/cli/gantrel-cli}
rounds=${2:-31}
for tool in jedutil python3; do
  command -v "$tool" >/dev/null || { echo "$tool not found (jedutil: apt-get install mame-tools)" >&2; exit 77; }
done
[ -x "$cli" ] || { echo "$cli not built" >&2; exit 2; }

files=(examples/*.jed)
samples=../shared/jedec-samples
if [ -f "$samples/MANIFEST.tsv" ]; then
  while IFS=$'\t' read -r file family; do
    files+=("$samples/$file")
  done < <(awk -F'\t' 'NR > 1 && $6 == "22V10" { print $1 "\t" $6 }' "$samples/MANIFEST.tsv")
fi

python3 - "$cli" "$rounds" "${files[@]}" <<'EOF'
import os, statistics, sys

cli, rounds, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
null = os.open(os.devnull, os.O_RDWR)
quiet = [(os.POSIX_SPAWN_DUP2, null, 0), (os.POSIX_SPAWN_DUP2, null, 1), (os.POSIX_SPAWN_DUP2, null, 2)]

def cpu(argv):
    """CPU seconds (user + system) of one run of argv, as wait4 reports them for the child."""
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=quiet)
    _, _, usage = os.wait4(pid, 0)
    return usage.ru_utime + usage.ru_stime

def medians(ours, theirs):
    """Runs the two commands `rounds` times, alternating which goes first; their median CPU."""
    a, b = [], []
    for r in range(rounds):
        if r % 2 == 0:
            a.append(cpu(ours)); b.append(cpu(theirs))
        else:
            b.append(cpu(theirs)); a.append(cpu(ours))
    return statistics.median(a), statistics.median(b)

def report(name, pairs):
    ours = statistics.median(p[0] for p in pairs)
    theirs = statistics.median(p[1] for p in pairs)
    ratios = [p[0] / p[1] for p in pairs if p[1] > 0]
    print(f"{name:<44} gantrel-cli {ours * 1e3:6.3f} ms  jedutil {theirs * 1e3:6.3f} ms  "
          f"ratio {ours / theirs:4.2f} (per-file ratios {min(ratios):.2f}-{max(ratios):.2f})")

print(f"{len(files)} files, {rounds} rounds each, median CPU per run (user + system)")
report("explain FILE / -view FILE GAL22V10",
       [medians([cli, "explain", "--force", f], ["jedutil", "-view", f, "GAL22V10"]) for f in files])
report("--version / -viewlist", [medians([cli, "--version"], ["jedutil", "-viewlist"]) for _ in files])
EOF
