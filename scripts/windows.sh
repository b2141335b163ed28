#!/usr/bin/env bash
# The Windows build: packwright.exe (the window) and packwright-cli.exe
# cross-compiled with mingw-w64 into build/windows/, both statically linked
# (they need nothing installed on Windows 10 or 11). The window links a
# static Qt built from Debian's own Qt sources by scripts/windows-qt.sh into
# a cache outside the work tree; the first run builds it (90 minutes on
# two busy cores), later runs take it from there. Then come the downloads,
#   build/windows/packwright-VERSION-windows-x86_64.zip   (portable)
#   build/windows/packwright-VERSION-setup-x86_64.exe     (the installer)
# and, unless only building, the tests under wine64 in a wine prefix of the
# build's own: the Windows suites (the engine's, the tool's, the window's on
# Qt's offscreen platform, the Windows tool against the Linux one), the
# installer installed and removed silently, and the window started on a
# virtual display (Xvfb), its contents window pictured in
# build/windows/smoke/.
# Installs what is missing (as root, apt-get).
# usage: scripts/windows.sh [build|test|screenshot]
#   build       only builds
#   test        builds and tests (the default)
#   screenshot  builds, then saves docs/windows.png: the contents window
#               under wine
set -Eeuo pipefail
# A step that fails on its own says which one it was.
trap 'echo "windows.sh: line $LINENO failed (exit $?): $BASH_COMMAND" >&2' ERR
cd "$(dirname "$0")/.."
mode=${1:-test}
case $mode in build | test | screenshot) ;; *) echo "usage: scripts/windows.sh [build|test|screenshot]" >&2; exit 2 ;; esac
jobs=$(nproc 2>/dev/null || echo 2)
# Objects come from the compiler cache in any clone of the sources (CI's
# fresh clones included).
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}

scripts/deps.sh windows

# Debian puts the 64-bit loader outside PATH.
wine=""
for w in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [[ -n "$w" && -x "$w" ]]; then wine=$w; break; fi
done
[[ -n "$wine" ]] || { echo "windows.sh: no wine64 loader found" >&2; exit 1; }

# The static Qt for mingw-w64: its prefix is the last line the script prints.
start=$SECONDS
qt=$(scripts/windows-qt.sh | tail -1)
[[ -x "$qt/bin/qt-cmake" ]] || { echo "windows.sh: no Qt for Windows in $qt" >&2; exit 1; }
echo "Qt for Windows: $qt ($((SECONDS - start)) s)"

# The Linux tool that the Windows one is compared with.
cmake -S . -B build/linux-cli -DCMAKE_BUILD_TYPE=Release -DPACKWRIGHT_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build/linux-cli -j"$jobs" --target packwright-cli
# A build folder configured otherwise (without Qt, or with another Qt)
# starts afresh: CMake keeps the toolchain of a folder's first configuration.
toolchain=$qt/lib/cmake/Qt6/qt.toolchain.cmake
if [[ -f build/windows/CMakeCache.txt ]] && ! grep -qx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$toolchain" build/windows/CMakeCache.txt; then
  rm -rf build/windows
fi
# Qt's toolchain file chain-loads ours (the cross compiler, the host's
# header-only libraries); -static keeps the GCC runtime inside the programs.
"$qt/bin/qt-cmake" -S . -B build/windows -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_EXE_LINKER_FLAGS=-static \
  -DPACKWRIGHT_GUI=ON -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" \
  -DPACKWRIGHT_LINUX_CLI="$PWD/build/linux-cli/cli/packwright-cli" >/dev/null
cmake --build build/windows -j"$jobs"
cmake --build build/windows --target installer
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
zip=packwright-$version-windows-x86_64.zip
setup=build/windows/packwright-$version-setup-x86_64.exe
rm -f build/windows/packwright-*-windows-x86_64.zip
(cd build/windows && cpack -G ZIP >/dev/null)
listing=$(python3 -m zipfile -l "build/windows/$zip")
for f in packwright.exe packwright-cli.exe README.txt LICENSE.txt; do
  grep -q "/$f " <<<"$listing" || { echo "windows.sh: $f is not in $zip" >&2; exit 1; }
done
echo "Made build/windows/$zip and $setup"
[[ $mode == build ]] && exit 0

# A wine prefix of the build's own, made without any dialog.
export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[[ -f "$WINEPREFIX/system.reg" ]] || "$wine" wineboot --init >/dev/null 2>&1
sample=build/windows/sample
rm -rf "$sample"
python3 scripts/sample_pack.py "$sample" >/dev/null
if [[ $mode == screenshot ]]; then
  tests/windows/window-smoke.sh "$wine" build/windows/app/packwright.exe "$sample/DEMO.fat" build/windows/smoke
  convert-im6.q16 build/windows/smoke/contents.png -trim +repage docs/windows.png
  echo "Saved docs/windows.png"
  exit 0
fi
start=$SECONDS
(cd build/windows && ctest --output-on-failure -j"$jobs")
echo "The Windows suites: $((SECONDS - start)) s"
start=$SECONDS
tests/windows/installer-test.sh "$wine" "$setup" build/linux-cli/cli/packwright-cli "$sample/DEMO.fat"
tests/windows/window-smoke.sh "$wine" build/windows/app/packwright.exe "$sample/DEMO.fat" build/windows/smoke
echo "The installer and the window under wine: $((SECONDS - start)) s"
