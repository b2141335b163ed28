#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing (as root
# with apt-get; otherwise says which to install).
# Usage: deps.sh [gui] [test] [screenshot] [windows] [package] [icons]
# (test: also strace, which a test of --sync reads the flushes with, and
# gettext, whose msgfmt, msgcat and msgen check the translation files;
# screenshot: the virtual display and python3 for the sample pack;
# windows: the cross compiler, googletest's sources, zlib for mingw-w64,
# wine64, makensis for the installer, and the virtual display, its window
# lister and ImageMagick's import for the window's test under wine; xxHash serves both builds from its one header, libxxhash-dev's;
# package: what makes and checks the .deb, see scripts/package.sh;
# icons: the SVG renderer that draws the icon's PNGs).
set -euo pipefail
need=(cmake g++ make libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev zlib1g-dev libxxhash-dev)
for arg in "$@"; do
  case $arg in
    gui) need+=(qt6-base-dev libdtl-dev) ;;
    test) need+=(strace gettext) ;;
    screenshot) need+=(xvfb xauth python3) ;;
    windows) need+=(googletest g++-mingw-w64-x86-64-posix wine64 python3 libz-mingw-w64-dev nsis xvfb xauth x11-utils imagemagick) ;;
    package) need+=(dpkg-dev file lintian desktop-file-utils appstream shared-mime-info xdg-utils man-db python3) ;;
    icons) need+=(librsvg2-bin) ;;
    qtwindows) need+=(qt6-base-dev-tools ninja-build dpkg-dev patch) ;;
  esac
done
if [[ "${BENCH:-}" == 1 ]]; then need+=(libbenchmark-dev time python3); fi
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0
if [[ $(id -u) -eq 0 ]]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  # Another installation may hold the lock: wait for it rather than fail.
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Please install these Debian packages first: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
