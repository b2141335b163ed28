#!/usr/bin/env bash
# ./build.sh run   builds the program and starts it
# ./build.sh test  builds everything with AddressSanitizer and
#                  UndefinedBehaviorSanitizer and runs every test
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)
case "${1:-}" in
  run)
    shift
    scripts/deps.sh gui
    cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build build/release -j"$jobs"
    if [[ -x build/release/app/packwright ]]; then
      exec build/release/app/packwright "$@"
    else
      exec build/release/cli/packwright-cli "$@"
    fi
    ;;
  test)
    scripts/deps.sh gui test
    cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DPACKWRIGHT_SANITIZE=ON >/dev/null
    cmake --build build/test -j"$jobs"
    cd build/test
    exec ctest --output-on-failure -j"$jobs"
    ;;
  *)
    echo "usage: ./build.sh run [args] | ./build.sh test" >&2
    exit 2
    ;;
esac
