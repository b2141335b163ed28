#!/usr/bin/env bash
# Builds a static Qt 6 for 64-bit Windows (x86_64-w64-mingw32) from Debian's
# own qt6-base source package, the version the Linux build uses, so that the
# window can be cross-built here like packwright-cli.exe. Core, Gui,
# Widgets, Concurrent and Test, the Windows platform plugin and the
# offscreen one (for the tests under wine), Qt's bundled third-party
# libraries; no OpenGL, network, SQL, D-Bus or print support. The host
# tools (moc, rcc, uic) are Debian's, from qt6-base-dev-tools.
#
# The result goes to a cache folder outside the work tree,
#   ${XDG_CACHE_HOME:-$HOME/.cache}/packwright/qt-6.4.2-mingw64-static-HASH
# where HASH covers this script, its patches and the source version; it is
# built in a folder beside it and renamed into place only when complete, so
# a half-built cache is never taken for a whole one. A cache that is there
# is reused as it is.
#
# usage: scripts/windows-qt.sh        builds when missing, prints the prefix
# The last line on standard output is the installed prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
jobs=$(nproc 2>/dev/null || echo 2)
version=6.4.2
patches=(scripts/windows/qt-directwrite-needs-direct2d.patch)

scripts/deps.sh gui windows qtwindows >&2
# The source version is that of the Qt the Linux build uses.
srcversion=$(dpkg-query -W -f='${Version}' qt6-base-dev)
[[ $srcversion == $version+* ]] || { echo "windows-qt.sh: Qt $srcversion installed, this script builds $version" >&2; exit 1; }

cache=${XDG_CACHE_HOME:-$HOME/.cache}/packwright
hash=$( (cat scripts/windows-qt.sh "${patches[@]}"; echo "$srcversion") | sha256sum | cut -c1-12)
prefix=$cache/qt-$version-mingw64-static-$hash
if [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi

# Debian's source package: a source line for the release of the installed
# Qt, in a sources file of our own, when apt knows no source for it.
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -qx "Version: $srcversion"; then
  . /etc/os-release
  cat >/etc/apt/sources.list.d/packwright-src.sources <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get -o DPkg::Lock::Timeout=600 update -qq >&2
fi

work=$cache/work-$version-$hash
rm -rf "$work" "$prefix.partial"
mkdir -p "$work"
(cd "$work" && apt-get source -qq "qt6-base=$srcversion" >&2)
src=$(find "$work" -maxdepth 1 -type d -name "qt6-base-*" | head -1)
[[ -n $src ]] || { echo "windows-qt.sh: apt-get source qt6-base gave no source folder" >&2; exit 1; }
for p in "${patches[@]}"; do
  patch -d "$src" -p1 --forward <"$here/$p" >&2
done

# The -posix mingw compilers (std::thread), and Debian's tools for the host.
cat >"$work/toolchain.cmake" <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_AR /usr/bin/x86_64-w64-mingw32-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/x86_64-w64-mingw32-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
build=$work/build
mkdir -p "$build"
start=$SECONDS
cd "$build"
# The +dfsg source has no src/3rdparty/wintab: hence no tablet events.
"$src/configure" -prefix "$prefix.partial" \
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
  -qt-host-path /usr -static -static-runtime -release \
  -nomake tests -nomake examples \
  -no-opengl -no-feature-vulkan -no-direct2d -no-dbus -no-icu \
  -no-feature-sql -no-feature-network -no-feature-xml -no-feature-printsupport \
  -no-feature-tabletevent \
  -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-harfbuzz -qt-freetype \
  -qt-doubleconversion -no-fontconfig \
  -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/$multiarch/cmake >&2
echo "windows-qt.sh: configured in $((SECONDS - start)) s" >&2
cmake --build . --parallel "$jobs" >&2
cmake --install . >&2
echo "windows-qt.sh: built and installed in $((SECONDS - start)) s" >&2
touch "$prefix.partial/.complete"
mv "$prefix.partial" "$prefix"
cd "$cache"
rm -rf "$work"
echo "$prefix"
