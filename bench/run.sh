#!/usr/bin/env bash
# Measures packwright-cli against the general tools a user would reach for
# instead, side by side, and prints every run, a table of medians, ratios
# and goals, and the machine's load.
#
#   bench/run.sh [RUNS]        RUNS pairs of runs per task (default 5)
#
# Tasks: extraction of the whole pack against `tar -xf` of the same files; a
# rebuild from a log that names only the edited files, and the README's round
# trip (extract the whole pack, edit 10% of the files in place, insert the
# result log with every other file present) against `cp --reflink=never` of
# the data file; the directory scan against `find -iname`. Every pair runs
# once on the machine as it is and once more with one core kept busy by a
# competing `yes > /dev/null`.
#
# BENCH_SCALE (for a quick try of the script only) shrinks the pack.
# BENCH_DIR (default /var/tmp/packwright-bench) holds the generated data
# (about 2 GiB, made once) and the runs' output (about 4 GiB at a time). The
# two commands of a pair alternate (A B A B ...), each into a fresh folder,
# after a sync; a pair's output is removed, and synced, before the next pair.
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/common.sh"
started=$(date +%s)

bench_build
bench_data "${BENCH_SCALE:-}"
work="$data/runs-$(date +%Y%m%d-%H%M%S)-$$"
mkdir -p "$work"
busy=
cleanup() {
  if [[ -n "$busy" ]]; then kill "$busy" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The round trip's tree: the pack extracted as a user does, 10% of the
# files rewritten in place; its result log names every entry's file.
echo "Extracting and editing the round trip's tree ..." >&2
"$cli" extract --quiet --target "$work/tree" "$data/pack/GAME.fat"
python3 "$root/bench/make_data.py" --edit "$work/tree/result.log" >&2

# run_pairs STATE: RUNS pairs of every task, their times under STATE.
run_pairs() {
  local state=$1 i out
  for ((i = 1; i <= runs; i++)); do
    echo "$state: pair $i of $runs" >&2
    out="$work/$state-$i"
    mkdir -p "$out/x-tar" "$out/e-cp" "$out/w-cp"
    timed "$state.extract-pw" "$cli" extract --quiet --target "$out/x-pw" "$data/pack/GAME.fat"
    timed "$state.extract-tar" tar -xf "$data/entries.tar" -C "$out/x-tar"
    timed "$state.edited-pw" "$cli" insert --quiet --target "$out/e-pw" "$data/insert.log"
    timed "$state.edited-cp" cp --reflink=never "$data/pack/GAME.mix" "$out/e-cp/GAME.mix"
    timed "$state.whole-pw" "$cli" insert --quiet --target "$out/w-pw" "$work/tree/result.log"
    timed "$state.whole-cp" cp --reflink=never "$data/pack/GAME.mix" "$out/w-cp/GAME.mix"
    timed "$state.scan-pw" "$cli" scan --type fat "$data/scan"
    timed "$state.scan-find" find "$data/scan" -iname '*.fat'
    if ((i == 1)); then
      # The extracted files must be the tar's files, byte for byte.
      diff -r "$out/x-pw/GAME" "$out/x-tar/GAME" >/dev/null || { echo "extraction differs from the tar" >&2; exit 1; }
    fi
    rm -rf "$out"
    sync
  done
}

# Warm the page cache with the inputs, so both commands start alike.
cat "$data/pack/GAME.mix" "$data/pack/GAME.fat" "$data/entries.tar" >/dev/null
find "$data/scan" "$data/edits" "$work/tree" >/dev/null
sync

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
run_pairs idle
load_idle=$(cut -d' ' -f1-3 /proc/loadavg)
yes >/dev/null &
busy=$!
sleep 1
run_pairs busy
kill "$busy" 2>/dev/null || true
wait "$busy" 2>/dev/null || true
busy=
load_busy=$(cut -d' ' -f1-3 /proc/loadavg)

# row TASK STATE A B GOAL: medians of the pair, their ratio, the goal and
# whether it is met (time ratio, and packwright-cli's peak memory < 16 MiB).
row() {
  local what=$1 state=$2 a=$3 b=$4 goal=$5
  local ta tb ma mb
  ta=$(col "$state.$a" 1); tb=$(col "$state.$b" 1); ma=$(peak "$state.$a"); mb=$(peak "$state.$b")
  local label="as is"
  [[ $state == busy ]] && label="1 core busy"
  awk -v w="$what" -v s="$label" -v ta="$ta" -v tb="$tb" -v ma="$ma" -v mb="$mb" -v g="$goal" 'BEGIN {
    r = (tb > 0 ? ta / tb : 0)
    met = (r <= g + 0.005 && ma < 16 * 1024) ? "yes" : "NO"
    printf "| %s | %s | %.2f s | %.2f s | %.2f | ≤ %.1f | %s | %.1f MiB | %.1f MiB |\n", w, s, ta, tb, r, g, met, ma / 1024, mb / 1024 }'
}

echo
echo "Medians of $runs interleaved pairs on $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $(df -T "$data" | awk 'NR==2 {print $2}');"
echo "\"1 core busy\": one core kept busy by \`yes > /dev/null\` throughout. Goal met: the ratio within the goal and packwright-cli's peak memory under 16 MiB."
echo
echo "| task | machine | packwright-cli | other tool | ratio | goal | met | peak memory (packwright-cli) | peak memory (other) |"
echo "|---|---|---|---|---|---|---|---|---|"
for state in idle busy; do
  if [[ $state == idle ]]; then gx=0.4 gr=1.0 ge=1.1; else gx=0.6 gr=1.2 ge=1.2; fi
  row "extract 20,000 entries vs \`tar -xf\`" $state extract-pw extract-tar $gx
  row "rebuild, whole extracted tree, 10% edited, vs \`cp --reflink=never\`" $state whole-pw whole-cp $gr
  row "rebuild, log of the 10% edited only, vs \`cp --reflink=never\`" $state edited-pw edited-cp $ge
  row "scan 100,000 files vs \`find -iname\`" $state scan-pw scan-find 1.5
done
echo
echo "Every run, in seconds, in the order run:"
echo
for state in idle busy; do
  for pair in "extract-pw extract-tar" "whole-pw whole-cp" "edited-pw edited-cp" "scan-pw scan-find"; do
    read -r a b <<<"$pair"
    echo "- $([[ $state == busy ]] && echo "1 core busy" || echo "as is"), $a: $(runs_of "$state.$a"); $b: $(runs_of "$state.$b")"
  done
done
echo
echo "Load average (1, 5, 15 min): before $load_before; after the idle pairs $load_idle; after the busy pairs $load_busy (the competing process counts 1)."
echo "bench/run.sh $runs took $(( $(date +%s) - started )) s."

# --- insert --verify against insert (bench/verify.sh) ---
source "$root/bench/verify.sh"
bench_verify

# --- what --sync costs (bench/sync.sh, on the same data) ---
"$root/bench/sync.sh" "$runs"
