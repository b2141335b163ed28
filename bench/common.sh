# Shared by the benchmark scripts (sourced, after `set -euo pipefail`): where
# the data and the build are, the build, the data, and the timing helpers.
# The caller sets $work, the folder of its runs, before it times anything.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data=${BENCH_DIR:-/var/tmp/packwright-bench}
jobs=$(nproc 2>/dev/null || echo 2)
cli="$root/build/bench/cli/packwright-cli"

# bench_build [TARGET]: the Release build with the benchmarks (only TARGET
# when given), the packages it needs installed first.
bench_build() {
  BENCH=1 "$root/scripts/deps.sh"
  cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DPACKWRIGHT_GUI=OFF -DPACKWRIGHT_BENCH=ON >/dev/null
  cmake --build "$root/build/bench" -j"$jobs" ${1:+--target "$1"} >/dev/null
}

# bench_data [SCALE]: bench/make_data.py's data in $data, made once (SCALE
# shrinks the pack, for a quick try of a script only).
bench_data() {
  if [[ ! -f "$data/insert.log" ]]; then
    echo "Making the benchmark data in $data ..." >&2
    rm -rf "$data" && mkdir -p "$data"
    python3 "$root/bench/make_data.py" "$data" ${1:+--scale "$1"} >&2
  fi
}

# timed NAME CMD... : runs CMD once after a sync, appends "seconds kilobytes"
# to $work/NAME.times
timed() {
  local name=$1; shift
  sync
  /usr/bin/time -f '%e %M' -o "$work/$name.last" "$@" >/dev/null
  cat "$work/$name.last" >>"$work/$name.times"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
# col NAME C: the median of column C (1 seconds, 2 kilobytes) of NAME's runs
col() { awk -v c="$2" '{print $c}' "$work/$1.times" | median; }
# peak NAME: the largest peak memory of NAME's runs, in kilobytes
peak() { awk 'BEGIN {m = 0} $2 > m {m = $2} END {print m}' "$work/$1.times"; }
# runs_of NAME: NAME's times in the order run
runs_of() { awk '{printf "%s%.2f", (NR > 1 ? " " : ""), $1}' "$work/$1.times"; }
