# insert --verify against insert: the cost of reading every new pack back
# and comparing it with its sources (goal: at most 40% over insert).
# Sourced by bench/run.sh after its own rows; uses its $cli, $data, $work,
# $runs and its timed, col and row functions, and writes two more new packs
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
  row "rebuild, 10% edited: \`insert --verify\` vs \`insert\`" insert-verify insert-plain "≤ 1.4"
}
