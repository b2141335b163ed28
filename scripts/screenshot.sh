#!/usr/bin/env bash
# Starts packwright on a virtual X display (Xvfb) and saves a picture of its
# window as docs/screenshot.png, and one of the contents window over a
# generated sample pack, a Targa entry replaced by an edited picture and
# previewed old beside new, as docs/contents.png.
# The program grabs its own window when PACKWRIGHT_SCREENSHOT (or
# PACKWRIGHT_CONTENTS_SCREENSHOT with PACKWRIGHT_CONTENTS_PACK) names a file,
# then closes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh gui screenshot
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j"$jobs" --target packwright
mkdir -p docs
out="$PWD/docs/screenshot.png"
rm -f "$out"
PACKWRIGHT_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x768x24" build/release/app/packwright
if [[ ! -s "$out" ]]; then
  echo "No screenshot was written" >&2
  exit 1
fi
echo "Saved $out"

sample=$(mktemp -d)
trap 'rm -rf "$sample"' EXIT
python3 scripts/sample_pack.py "$sample"
contents="$PWD/docs/contents.png"
rm -f "$contents"
PACKWRIGHT_CONTENTS_SCREENSHOT="$contents" PACKWRIGHT_CONTENTS_PACK="$sample/DEMO.fat" \
  PACKWRIGHT_CONTENTS_REPLACE="$sample/title-night.tga" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" build/release/app/packwright
if [[ ! -s "$contents" ]]; then
  echo "No contents screenshot was written" >&2
  exit 1
fi
echo "Saved $contents"
