#!/usr/bin/env bash
# Builds every fuzz target with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, replays the kept crash inputs of
# fuzz/regressions/, then runs each target for SECONDS on its generated
# seed corpus. Exits non-zero when any target finds something.
#
#   fuzz/run.sh SECONDS [TARGET...]      e.g. fuzz/run.sh 30, fuzz/run.sh 600 fuzz_pack
#
# Findings go to build/fuzz/findings/<target>-crash-...; keep each one in
# fuzz/regressions/<target>/ once it is fixed. The corpus grows in
# build/fuzz/corpus/<target> from run to run. JOBS sets the build's -j (2).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
secs=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
build=${PW_FUZZ_BUILD:-$root/build/fuzz}

have_fuzzer_runtime() {
  command -v clang++ >/dev/null 2>&1 &&
    compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null
}
if ! have_fuzzer_runtime || ! command -v cmake >/dev/null 2>&1 ||
   ! dpkg-query -W -f='${Status}' qt6-base-dev 2>/dev/null | grep -q 'install ok installed'; then
  if [[ $(id -u) -eq 0 ]]; then
    echo "Installing clang, libclang-rt-14-dev, cmake and qt6-base-dev" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev cmake make qt6-base-dev
  else
    echo "Please install: sudo apt-get install clang libclang-rt-14-dev cmake make qt6-base-dev" >&2
    exit 1
  fi
fi

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-2}"
"$build/make_seeds" "$build/seeds"

mapfile -t all < "$build/targets.txt"
if (($# > 0)); then targets=("$@"); else targets=("${all[@]}"); fi

# Each target works in its own private folder under this one.
export TMPDIR="$build/tmp"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
for t in "${targets[@]}"; do
  bin="$build/$t"
  [[ -x "$bin" ]] || { echo "no such target: $t" >&2; exit 2; }
  rm -rf "$TMPDIR"
  mkdir -p "$TMPDIR" "$build/corpus/$t" "$build/findings"
  dict="$build/$t.dict"
  cat "$here/dict/common.dict" > "$dict"
  case "$t" in
    fuzz_list) cat "$here/dict/list.dict" "$here/dict/log.dict" >> "$dict" ;;
    *) [[ -f "$here/dict/${t#fuzz_}.dict" ]] && cat "$here/dict/${t#fuzz_}.dict" >> "$dict" ;;
  esac

  # The kept findings first: each must pass.
  shopt -s nullglob
  kept=("$here/regressions/$t"/*)
  shopt -u nullglob
  if ((${#kept[@]} > 0)); then
    echo "== $t: replaying ${#kept[@]} kept inputs"
    if ! "$bin" -runs=1 "${kept[@]}" >"$build/$t.replay.log" 2>&1; then
      echo "!! $t fails on a kept input (see $build/$t.replay.log)" >&2
      failed+=("$t")
      continue
    fi
  fi

  echo "== $t: fuzzing for $secs seconds"
  if ! "$bin" -max_total_time="$secs" -timeout=20 -rss_limit_mb=2048 -max_len=16384 \
       -dict="$dict" -artifact_prefix="$build/findings/$t-" -print_final_stats=1 \
       "$build/corpus/$t" "$build/seeds/$t" >"$build/$t.log" 2>&1; then
    echo "!! $t found something: see $build/$t.log and $build/findings/" >&2
    tail -n 40 "$build/$t.log" >&2
    failed+=("$t")
  else
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$build/$t.log" | tr '\n' ' ' || true
    echo
  fi
done
rm -rf "$TMPDIR"

if ((${#failed[@]} > 0)); then
  echo "Fuzzing found problems in: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing found nothing in: ${targets[*]}"
