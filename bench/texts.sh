#!/usr/bin/env bash
# Translations: `texts export` of a pack of numbered texts and `texts import`
# of a full translation of it, each against `msgcat` reading and writing the
# exported template (what any PO tool does at least once with it); peak
# memory of each. Runs interleave, every run is printed, medians are
# compared.
#
#   bench/texts.sh [RUNS] [ENTRIES] [BLOCKS]     defaults: 3 runs, 2000 entries, 500 blocks
#
# The pack is made here (fixed seed): ENTRIES text entries of BLOCKS blocks,
# nine in ten INI-style and one in ten Zivora-style, texts of 10 to 80
# characters of windows-1252 with a placeholder now and then. The
# translation changes every text. Goals: export and import each ≤ 1.0 ×
# msgcat, peak memory under 256 MiB.
set -euo pipefail
source "$(dirname "$0")/common.sh"
runs=${1:-3}
entries=${2:-2000}
blocks=${3:-500}
work=$(mktemp -d "${TMPDIR:-/var/tmp}/packwright-texts.XXXXXX")
trap 'rm -rf "$work"' EXIT
command -v msgcat >/dev/null || { echo "texts.sh: msgcat is missing (apt-get install gettext)" >&2; exit 1; }

bench_build packwright-cli
echo "Making a pack of $entries text entries of $blocks blocks ..." >&2
python3 - "$work" "$entries" "$blocks" <<'PY'
import os, random, struct, sys
work, n, b = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(25)
words = [w.encode("cp1252") for w in "the of game load save café über quit start %s %d level map door key".split()]
def text():
    out = b" ".join(rng.choice(words) for _ in range(rng.randint(2, 12)))
    return out.replace(b"%s", b"%%") if out.count(b"%") > 1 else out
def ini(texts): return b"".join(b"[0x%08X]\r\n" % k + t + b"\r\n" for k, t in enumerate(texts))
def ziv(texts): return b"".join(b"_" * 31 + b"\r\n#H#E#A#D#E#R#0#%d#\r\n" % k + t + b"\r\n#E#N#D#\r\n"
                                for k, t in enumerate(texts))
os.makedirs(f"{work}/game")
index = struct.pack("<iI", n, 0)
with open(f"{work}/game/TEXTS.mix", "wb") as mix:
    at = 0
    for k in range(n):
        body = (ziv if k % 10 == 9 else ini)([text() for _ in range(b)])
        index += (b"t%05d.txt" % k).ljust(16, b"\0") + struct.pack("<iiI", at // 2048, len(body), 0)
        pad = -len(body) % 2048
        mix.write(body + b"\0" * pad)
        at += len(body) + pad
open(f"{work}/game/TEXTS.fat", "wb").write(index)
PY
"$cli" texts export --quiet --output "$work/pot" --source "$work/game"
# The translation: every text with a word put before it.
sed -e 's/^msgstr ""$/msgstr "@"/' "$work/pot/TEXTS.pot" | python3 -c '
import sys
lines = sys.stdin.read().split("\n")
for i, l in enumerate(lines):
    if l == "msgstr \"@\"":
        j = i - 1
        while not lines[j].startswith("msgid "): j -= 1
        src = lines[j:i]
        src[0] = "msgstr " + src[0][6:]
        if src[0] == "msgstr \"\"" and len(src) > 1: src[1] = "\"tr " + src[1][1:]
        else: src[0] = "msgstr \"tr " + src[0][8:]
        lines[i] = "\n".join(src)
sys.stdout.write("\n".join(lines))' >"$work/tr.po"
messages=$(grep -c '^msgctxt' "$work/pot/TEXTS.pot")

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((i = 1; i <= runs; i++)); do
  echo "round $i of $runs" >&2
  timed export "$cli" texts export --quiet --output "$work/out$i" --source "$work/game"
  timed msgcat msgcat "$work/pot/TEXTS.pot" -o "$work/cat$i.pot"
  timed import "$cli" texts import --quiet --output "$work/tr$i.pwpatch" --source "$work/game" "$work/tr.po"
  cmp -s "$work/out$i/TEXTS.pot" "$work/pot/TEXTS.pot" || { echo "export gave another template" >&2; exit 1; }
  rm -rf "$work/out$i" "$work/cat$i.pot" "$work/tr$i.pwpatch"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
echo "Pack: $entries text entries of $blocks blocks, $messages messages; template $(($(stat -c %s "$work/pot/TEXTS.pot") / 1048576)) MiB."
echo
echo "| task | packwright-cli | msgcat | ratio | goal | met | peak memory |"
echo "|---|---|---|---|---|---|---|"
row() { # NAME LABEL
  local a b m
  a=$(col "$1" 1); b=$(col msgcat 1); m=$(peak "$1")
  awk -v a="$a" -v b="$b" -v m="$m" -v l="$2" 'BEGIN {
    r = (b > 0 ? a / b : 0)
    printf "| %s | %.2f s | %.2f s | %.2f | ≤ 1.0 | %s | %.1f MiB (%s) |\n", l, a, b, r, (r <= 1.0 ? "yes" : "no"), m / 1024,
      (m / 1024 < 256 ? "under 256 MiB" : "over 256 MiB") }'
}
row export "texts export"
row import "texts import of a full translation"
echo
echo "- export: $(runs_of export); msgcat: $(runs_of msgcat); import: $(runs_of import)"
echo "- msgcat peak memory: $(awk -v m="$(peak msgcat)" 'BEGIN {printf "%.1f", m / 1024}') MiB"
echo "- load average (1, 5, 15 min): before $load_before; after $load_after"
