#!/usr/bin/env bash
# What a rebuild over an earlier pack costs at its commit, and how often a
# kill (SIGKILL) at a random moment leaves the earlier index beside the new
# data file, a pair the game cannot read, before any Packwright run could
# finish the commit. Compares this tree's packwright-cli with the one of an
# earlier commit (BASE, default the last one before the commit's renames
# were brought together), on a pack of 3,000 entries and about 95 MB.
#
#   bench/commit.sh [RUNS] [KILLS]     defaults 5 and 400
#
# Prints: the duration of each rename of the commit (strace -T), every run's
# time of the whole insert and the medians, and the kill sweeps' counts,
# without and with --sync (the earlier tool: a tenth of the kills).
set -euo pipefail
source "$(dirname "$0")/common.sh"
runs=${1:-5}
kills=${2:-400}
base=${BASE:-c251a58}
work=${BENCH_COMMIT_DIR:-/var/tmp/packwright-commit}
rm -rf "$work" && mkdir -p "$work"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
started=$SECONDS

bench_build packwright-cli
apt_need() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || apt-get install -y -qq "$1" >/dev/null; }
apt_need strace
new="$cli"
# The earlier tool, built from its own commit beside this tree.
git -C "$root" worktree add -f --detach "$work/base-src" "$base" >/dev/null 2>&1
cmake -S "$work/base-src" -B "$work/base-build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DPACKWRIGHT_GUI=OFF >/dev/null
cmake --build "$work/base-build" -j"$jobs" --target packwright-cli >/dev/null
old="$work/base-build/cli/packwright-cli"
trap 'git -C "$root" worktree remove --force "$work/base-src" >/dev/null 2>&1 || true' EXIT

# The pack, 10% of its entries edited, and a log that takes them.
python3 - "$work" <<'PY'
import os, random, struct, sys
work = sys.argv[1]; rnd = random.Random(20261209)
n = 3000; names = []; sizes = []
for k in range(n):
    sizes.append(rnd.randint(1024, 64 * 1024)); names.append(b"e%05d.bin" % k)
index = struct.pack("<iI", n, 0); block = 0
with open(f"{work}/GAME.mix", "wb") as data:
    for k in range(n):
        index += names[k].ljust(16, b"\0") + struct.pack("<iiI", block, sizes[k], 0)
        data.write(os.urandom(sizes[k]).ljust((sizes[k] + 2047) // 2048 * 2048, b"\0"))
        block += (sizes[k] + 2047) // 2048
open(f"{work}/GAME.fat", "wb").write(index)
os.makedirs(f"{work}/edits", exist_ok=True)
lines = [b"#Format: FAT", b"#Source: " + f"{work}/GAME.fat".encode()]
for k in range(n):
    if k % 10 == 3:
        p = f"{work}/edits/{k}"; open(p, "wb").write(os.urandom(rnd.randint(1024, 64 * 1024))); lines.append(p.encode())
    else:
        lines.append(b"NULL")
open(f"{work}/game.log", "wb").write(b"\r\n".join(lines) + b"\r\n")
PY
mkdir -p "$work/ref" "$work/out"
"$new" insert --quiet --target "$work/ref" "$work/game.log"
earlier() { cp "$work/GAME.fat" "$work/out/GAME.fat"; cp "$work/GAME.mix" "$work/out/GAME.mix"; }
echo "pack: $(stat -c %s "$work/GAME.mix") bytes of data, 3000 entries; new data file $(stat -c %s "$work/ref/GAME.mix") bytes"

echo
echo "Each rename of the commit, in milliseconds (strace -T; the data file first), over an earlier pack:"
for tool in old new; do
  for i in 1 2 3; do
    earlier; sync
    strace -f -qq -T -e trace=rename,renameat,renameat2 -o "$work/trace" "${!tool}" insert --quiet --target "$work/out" "$work/game.log"
    printf '  %s: %s\n' "$tool" "$(grep -o '<[0-9.]*>' "$work/trace" | tr -d '<>' | awk '{printf "%s%.3f", (NR>1?" ":""), $1*1000}')"
  done
done

echo
echo "Whole insert over an earlier pack, seconds, $runs interleaved pairs:"
for i in $(seq "$runs"); do
  for tool in old new; do
    earlier
    timed "insert-$tool" "${!tool}" insert --quiet --target "$work/out" "$work/game.log"
  done
done
for tool in old new; do echo "  $tool: $(runs_of "insert-$tool"), median $(col "insert-$tool" 1) s, peak $(peak "insert-$tool") KiB"; done
awk -v a="$(col insert-new 1)" -v b="$(col insert-old 1)" 'BEGIN {printf "  new / old: %.2f\n", a / b}'

# sweep TOOL KILLS [--sync]: kills at random moments over the insert; counts
# the pairs that are neither the earlier nor the new one right after a kill.
sweep() {
  local tool=$1 count=$2; shift 2
  local t0 t1 full mixed=0 earlierN=0 newN=0
  earlier; t0=$(date +%s%N); "${!tool}" insert --quiet "$@" --target "$work/out" "$work/game.log"; t1=$(date +%s%N)
  full=$(( (t1 - t0) / 1000 ))
  for i in $(seq "$count"); do
    earlier
    "${!tool}" insert --quiet "$@" --target "$work/out" "$work/game.log" &
    local pid=$!
    sleep "$(awk -v f="$full" -v r="$RANDOM" 'BEGIN {printf "%.6f", f * 1.1 * r / 32767 / 1e6}')"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if cmp -s "$work/out/GAME.fat" "$work/GAME.fat" && cmp -s "$work/out/GAME.mix" "$work/GAME.mix"; then
      earlierN=$((earlierN + 1))
    elif cmp -s "$work/out/GAME.fat" "$work/ref/GAME.fat" && cmp -s "$work/out/GAME.mix" "$work/ref/GAME.mix"; then
      newN=$((newN + 1))
    else
      mixed=$((mixed + 1))
    fi
    rm -f "$work/out"/.GAME.*
  done
  echo "  $tool ${*:-(no --sync)}: $count kills over $((full / 1000)) ms: $earlierN earlier pair, $newN new pair, $mixed mixed"
}
echo
echo "Kill sweeps (a kill at a random moment of the insert, the pair looked at before anything else runs):"
sweep old $(( (kills + 9) / 10 ))
sweep new "$kills"
sweep old $(( (kills + 9) / 10 )) --sync
sweep new "$kills" --sync
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg); took $((SECONDS - started)) s"
