# insert --verify against insert: the cost of reading every new pack back
# and comparing it with its sources (goal: at most 40% over insert).
# Sourced by bench/run.sh after its own rows; uses its $cli, $data, $work,
# $runs and the timed, col, peak and runs_of of bench/common.sh, and writes two more new packs
# per pair into $work. The two commands of a pair alternate.
bench_verify() {
  local i
  for ((i = 1; i <= runs; i++)); do
    echo "insert --verify pair $i of $runs" >&2
    timed insert-verify "$cli" insert --verify --quiet --target "$work/v-on-$i" "$data/insert.log"
    timed insert-plain "$cli" insert --quiet --target "$work/v-off-$i" "$data/insert.log"
  done
  cmp -s "$work/v-on-1/GAME.mix" "$work/v-off-1/GAME.mix" || { echo "insert --verify wrote another pack" >&2; exit 1; }
  echo
  echo "| task | with --verify | without | ratio | target | peak memory (with) | peak memory (without) |"
  echo "|---|---|---|---|---|---|---|"
  local ta tb ma mb
  ta=$(col insert-verify 1); tb=$(col insert-plain 1); ma=$(peak insert-verify); mb=$(peak insert-plain)
  awk -v ta="$ta" -v tb="$tb" -v ma="$ma" -v mb="$mb" 'BEGIN {
    printf "| rebuild, 10%% edited: `insert --verify` vs `insert` | %.2f s | %.2f s | %.2f | ≤ 1.4 | %.1f MiB | %.1f MiB |\n", ta, tb, (tb > 0 ? ta / tb : 0), ma / 1024, mb / 1024 }'
  echo "- insert --verify: $(runs_of insert-verify); insert: $(runs_of insert-plain)"
  rm -rf "$work"/v-on-* "$work"/v-off-*
}
