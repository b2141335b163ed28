#!/usr/bin/env bash
# The Windows build: packwright-cli.exe cross-compiled with mingw-w64 into
# build/windows/ (statically linked: it needs nothing installed on Windows
# 10 or 11), then the Windows test suite under wine64, with the comparison
# of the Windows tool and the Linux one on generated packs. The download,
# build/windows/packwright-cli-VERSION-windows-x86_64.zip (the program, a
# README for Windows users and the license), is made after the build.
# Installs the cross compiler and wine64 when missing (as root, apt-get).
# usage: scripts/windows.sh [build]   (build: only build, run nothing)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

scripts/deps.sh windows

# Debian puts the 64-bit loader outside PATH.
wine=""
for w in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [[ -n "$w" && -x "$w" ]]; then wine=$w; break; fi
done
[[ -n "$wine" ]] || { echo "windows.sh: no wine64 loader found" >&2; exit 1; }

# The Linux tool that the Windows one is compared with.
cmake -S . -B build/linux-cli -DCMAKE_BUILD_TYPE=Release -DPACKWRIGHT_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build/linux-cli -j"$jobs" --target packwright-cli
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DPACKWRIGHT_GUI=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" \
  -DPACKWRIGHT_LINUX_CLI="$PWD/build/linux-cli/cli/packwright-cli" >/dev/null
cmake --build build/windows -j"$jobs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
zip=packwright-cli-$version-windows-x86_64.zip
rm -f build/windows/packwright-cli-*-windows-x86_64.zip
(cd build/windows && cpack -G ZIP >/dev/null)
listing=$(python3 -m zipfile -l "build/windows/$zip")
for f in packwright-cli.exe README.txt LICENSE.txt; do
  grep -q "/$f " <<<"$listing" || { echo "windows.sh: $f is not in $zip" >&2; exit 1; }
done
echo "Made build/windows/$zip"
[[ "${1:-}" == build ]] && exit 0

# A wine prefix of the build's own, made without any dialog.
export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[[ -f "$WINEPREFIX/system.reg" ]] || "$wine" wineboot --init >/dev/null 2>&1
cd build/windows
exec ctest --output-on-failure -j"$jobs"
