#!/usr/bin/env bash
# Runs the Linux and the Windows packwright-cli (under wine) on the same
# generated packs and compares what they make: the listed entries, the
# extracted files, the result logs apart from the spelling of paths, and
# the rebuilt packs byte for byte.
# usage: scripts/windows-compare.sh LINUX_CLI WINDOWS_CLI.exe   (WINE: the loader)
set -euo pipefail
lin=$(realpath "$1")
win=$(realpath "$2")
wine=${WINE:-wine64}
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wine sees the Linux root as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "windows-compare: $*" >&2; exit 1; }

python3 - "$work/game" <<'PY'
import os, random, struct, sys
root = sys.argv[1]
rng = random.Random(14)
def pack(path, entries, shuffled=False, trailing=b""):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    order = list(range(len(entries)))
    if shuffled: rng.shuffle(order)
    data, starts = bytearray(), [0] * len(entries)
    for k in order:
        if shuffled: data += b"\xee" * 2048          # a gap
        data += b"\xee" * (-len(data) % 2048)
        starts[k] = len(data) // 2048
        data += entries[k][1]
    index = struct.pack("<iI", len(entries), 0xA1B2C3D4)
    for k, (name, body) in enumerate(entries):
        index += name.ljust(16, b"\0")[:16] + struct.pack("<iiI", starts[k], len(body), 0xE0000000 + k)
    open(path, "wb").write(index + trailing)
    open(path[:-4] + ".mix", "wb").write(bytes(data))
types = [b"txt", b"TGA", b"wav", b"Dat", b"mdl"]
def body(n): return bytes(rng.randrange(256) for _ in range(n))
pack(f"{root}/MENU.fat", [(b"e%d.%s" % (k, types[k % 5]), body(rng.choice([0, 1, 2047, 2048, 2049, 9000])))
                          for k in range(40)])
pack(f"{root}/sub/SND.old.fat", [(b"SIXTEEN_BYTES.ab", body(700)), (b"DATA\\x.wav", body(5000)),
                                 (b"y.wav", b""), (b"z.txt", body(3))], shuffled=True, trailing=b"tail\x01")
pack(f"{root}/sub/deep/BIG.fat", [(b"big.raw", body(600000)), (b"small.raw", body(10))], shuffled=True)
PY

for side in lin win; do mkdir -p "$work/$side"; done
run_win() { "$wine" "$win" "$@"; }
# Every file of the Linux side's folder DIR is the same on the Windows side,
# and there are COUNT of them; WHAT names them in a failure.
same_files() {
  local dir=$1 what=$2 count=$3 n=0 f
  for f in "$work/lin/$dir"/*; do
    cmp -s "$f" "$work/win/$dir/$(basename "$f")" || fail "$what $(basename "$f") differs"
    n=$((n + 1))
  done
  ((n == count)) || fail "expected $count $what files, found $n"
}

# The entries as listed.
for p in MENU.fat sub/SND.old.fat; do
  a=$("$lin" list "$work/game/$p")
  b=$(run_win list "$(winpath "$work/game/$p")" | tr -d '\r')
  [[ "$a" == "$b" ]] || fail "list $p differs"
done

# Extraction of everything a scan finds.
"$lin" extract --quiet --target "$work/lin/out" --scan "$work/game"
run_win extract --quiet --target "$(winpath "$work/win/out")" --scan "$(winpath "$work/game")"
diff -r -x result.log "$work/lin/out" "$work/win/out" >/dev/null || fail "extracted files differ"
python3 - "$work" <<'PY' || fail "result logs differ apart from the paths"
import sys
w = sys.argv[1]
lin = open(f"{w}/lin/out/result.log", "rb").read().decode()
win = open(f"{w}/win/out/result.log", "rb").read().decode()
lin = lin.replace(f"{w}/lin/", "@/").replace(f"{w}/", "@/")
winroot = "Z:" + w.replace("/", "\\")
win = win.replace(winroot + "\\win\\", "@\\").replace(winroot + "\\", "@\\").replace("\\", "/")
sys.exit(0 if lin == win and lin.count("\r\n") > 40 else 1)
PY

# The same edits on both sides, then the rebuild from each side's log.
for side in lin win; do
  o="$work/$side/out"
  printf 'edited text' >"$o/MENU/TXT/00000000.txt"
  head -c 5000 /dev/zero >>"$o/MENU/TGA/00000001.tga"
  rm "$o/MENU/WAV/00000002.wav"
  : >"$o/sub/SND/AB/00000000.ab"
done
"$lin" insert --quiet --target "$work/lin/new" "$work/lin/out/result.log"
run_win insert --quiet --target "$(winpath "$work/win/new")" "$(winpath "$work/win/out/result.log")"
same_files new rebuilt 6
[[ $(ls "$work/win/new" | wc -l) == 6 ]] || fail "the Windows side left other files"

# Patches: of the rebuilt pack against the game's (diff) and of each side's
# log (diff --log), made at one fixed time so that they can be the same
# bytes; shown; and applied together to the game's packs.
export SOURCE_DATE_EPOCH=1700000000
"$lin" diff --quiet --output "$work/lin/mod.pwpatch" --title "Mod" --author "Me" \
  "$work/game/MENU.fat" "$work/lin/new/MENU.fat"
run_win diff --quiet --output "$(winpath "$work/win/mod.pwpatch")" --title "Mod" --author "Me" \
  "$(winpath "$work/game/MENU.fat")" "$(winpath "$work/win/new/MENU.fat")"
"$lin" diff --quiet --output "$work/lin/log.pwpatch" --log "$work/lin/out/result.log"
run_win diff --quiet --output "$(winpath "$work/win/log.pwpatch")" --log "$(winpath "$work/win/out/result.log")"
for p in mod log; do
  cmp -s "$work/lin/$p.pwpatch" "$work/win/$p.pwpatch" || fail "diff made another $p.pwpatch"
  a=$("$lin" patch show "$work/lin/$p.pwpatch" | sed 1d)
  b=$(run_win patch show "$(winpath "$work/win/$p.pwpatch")" | tr -d '\r' | sed 1d)
  [[ "$a" == "$b" ]] || fail "patch show $p.pwpatch differs"
done
# The same two entries replaced without an extraction, by index and by
# name: the same new pack and the same patch on both sides.
for side in lin win; do
  if [[ $side == lin ]]; then run=("$lin"); p() { printf '%s' "$1"; }; else run=(run_win); p() { winpath "$1"; }; fi
  e="$work/$side/out/MENU"
  "${run[@]}" replace --quiet --target "$(p "$work/$side/repl")" "$(p "$work/game/MENU.fat")" \
    0="$(p "$e/TXT/00000000.txt")" e1.TGA="$(p "$e/TGA/00000001.tga")"
  "${run[@]}" replace --quiet --patch "$(p "$work/$side/repl.pwpatch")" --title "Mod" "$(p "$work/game/MENU.fat")" \
    0="$(p "$e/TXT/00000000.txt")" 00000001.tga="$(p "$e/TGA/00000001.tga")"
done
same_files repl replaced 2
cmp -s "$work/lin/repl.pwpatch" "$work/win/repl.pwpatch" || fail "replace --patch made another patch"
# A patch names packs by file name: the game's folder holds both it changes.
mkdir "$work/flat"
cp "$work/game/MENU.fat" "$work/game/MENU.mix" "$work/game/sub/SND.old.fat" "$work/game/sub/SND.old.mix" "$work/flat/"
"$lin" apply --quiet --target "$work/lin/applied" --source "$work/flat" "$work/lin/mod.pwpatch" "$work/lin/log.pwpatch"
run_win apply --quiet --target "$(winpath "$work/win/applied")" --source "$(winpath "$work/flat")" \
  "$(winpath "$work/win/mod.pwpatch")" "$(winpath "$work/win/log.pwpatch")"
same_files applied applied 4
cmp -s "$work/lin/applied/MENU.mix" "$work/lin/new/MENU.mix" || fail "the applied MENU.mix is not the rebuilt one"
# Translations: the game's texts exported from packs of numbered texts in
# both layouts and in single- and double-byte code pages, translated the
# same way, and imported into patches; the templates and the patches are
# the same bytes on both sides.
python3 - "$work/texts" <<'PY'
import os, struct, sys
root = sys.argv[1]
os.makedirs(root, exist_ok=True)
def pack(name, entries):
    index, data = struct.pack("<iI", len(entries), 0), b""
    for n, body in entries:
        data += b"\0" * (-len(data) % 2048)
        index += n.ljust(16, b"\0") + struct.pack("<iiI", len(data) // 2048, len(body), 0)
        data += body
    open(f"{root}/{name}.fat", "wb").write(index)
    open(f"{root}/{name}.mix", "wb").write(data)
def ini(texts): return b"".join(b"[0x%08X]\r\n" % k + t.replace(b"\n", b"\r\n") + b"\r\n" for k, t in enumerate(texts))
def ziv(texts): return b"".join(b"_" * 31 + b"\r\n#H#E#A#D#E#R#0#%d#\r\n" % k + t.replace(b"\n", b"\r\n") + b"\r\n#E#N#D#\r\n"
                                for k, t in enumerate(texts))
latin = [bytes([b]) + b" %d \x01" for b in range(0x80, 0x100)] + [b"two\nlines {0x41}", b"\x81\x8d\x90"]
pack("WEST", [(b"menu.txt", ini(latin)), (b"talk.txt", ziv(latin[::-1])), (b"pic.tga", b"\0\1")])
pack("EAST", [(b"jp.txt", ini([b"\x82\xa0\x82\xa2 %s", b"\xb1\xb2\x5c", b"\x81\x40\x88\x9f\xea\xa4", b"\x82"]))])
PY
translate() {  # a translation of every single-line message: its text, then " (tr)"
  python3 - "$1" "$2" <<'PY'
import re, sys
lines = open(sys.argv[1], encoding="utf-8").read().split("\n")
for i in range(1, len(lines)):
    m = re.fullmatch(r'msgid "(.+)"', lines[i - 1])
    if m and lines[i] == 'msgstr ""': lines[i] = 'msgstr "%s (tr)"' % m.group(1)
open(sys.argv[2], "w", encoding="utf-8").write("\n".join(lines))
PY
}
for cp in windows-1252 windows-1251 windows-932; do
  for side in lin win; do rm -rf "$work/$side/pot"; done
  "$lin" texts export --quiet --codepage $cp --output "$work/lin/pot" --source "$work/texts"
  run_win texts export --quiet --codepage $cp --output "$(winpath "$work/win/pot")" --source "$(winpath "$work/texts")"
  same_files pot "$cp template" 2
  for pack in WEST EAST; do
    translate "$work/lin/pot/$pack.pot" "$work/$pack-$cp.po"
    "$lin" texts import --quiet --output "$work/lin/$pack.pwpatch" --source "$work/texts" "$work/$pack-$cp.po" ||
      fail "texts import $pack $cp failed on Linux"
    run_win texts import --quiet --output "$(winpath "$work/win/$pack.pwpatch")" --source "$(winpath "$work/texts")" \
      "$(winpath "$work/$pack-$cp.po")" || fail "texts import $pack $cp failed on Windows"
    cmp -s "$work/lin/$pack.pwpatch" "$work/win/$pack.pwpatch" || fail "texts import made another $pack.pwpatch ($cp)"
  done
done

# Mods: both patches deployed into a copy of the game's folder on each side,
# then one taken out, then the game put back: the same packs at each step,
# and at the end the game's own files with their times, nothing else.
for side in lin win; do cp -a "$work/flat" "$work/$side/gamedir"; done
mods_both() { # ACTION ARGS... (patch names without folder: mod, log)
  local action=$1; shift
  local l=() w=()
  for p in "$@"; do l+=("$work/lin/$p.pwpatch"); w+=("$(winpath "$work/win/$p.pwpatch")"); done
  "$lin" mods "$action" --quiet --game "$work/lin/gamedir" "${l[@]}"
  run_win mods "$action" --quiet --game "$(winpath "$work/win/gamedir")" "${w[@]}"
  for f in MENU.fat MENU.mix SND.old.fat SND.old.mix; do
    cmp -s "$work/lin/gamedir/$f" "$work/win/gamedir/$f" || fail "mods $action $* left another $f"
  done
  a=$("$lin" mods status --game "$work/lin/gamedir" | grep '^pack' || true)
  b=$(run_win mods status --game "$(winpath "$work/win/gamedir")" | tr -d '\r' | grep '^pack' || true)
  [[ "$a" == "$b" ]] || fail "mods status differs after mods $action $*"
}
mods_both deploy mod log
mods_both deploy log
mods_both restore
for side in lin win; do
  for f in MENU.fat MENU.mix SND.old.fat SND.old.mix; do
    cmp -s "$work/flat/$f" "$work/$side/gamedir/$f" || fail "mods restore on $side did not give $f back"
    [[ $(stat -c %Y "$work/flat/$f") == $(stat -c %Y "$work/$side/gamedir/$f") ]] ||
      fail "mods restore on $side gave $f another time"
  done
  # What a restore keeps: the history and the stored patches, no pack data.
  left=$(cd "$work/$side/gamedir/.packwright" && find . -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ')
  [[ $left == "history store " ]] || fail "mods restore on $side left .packwright holding $left"
done
# Both tools stored the same patches under the same names.
[[ $(cd "$work/lin/gamedir/.packwright/store" && ls) == $(cd "$work/win/gamedir/.packwright/store" && ls) ]] ||
  fail "mods on lin and win stored other patches"
echo "windows-compare: list, extract, insert, replace, diff, patch show, apply, texts and mods agree on 3 packs and 2 text packs"
