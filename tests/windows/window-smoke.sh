#!/usr/bin/env bash
# The window under wine on a virtual X display (Xvfb), as a user starts it:
# packwright.exe shows its main window; packwright.exe PACK.fat (what
# Explorer runs for a double-click) the contents window listing every entry
# of the pack; packwright.exe LIST.pwmods the Mods window, its caption
# naming the list. Each window is
# recognised by its title in the display's window tree, and a picture of
# the display is saved in OUT as main.png, contents.png and mods.png.
# usage: window-smoke.sh WINE PACKWRIGHT.EXE PACK.fat OUT   (WINEPREFIX set)
set -Eeuo pipefail
# A step that fails on its own says which one it was.
trap 'echo "window-smoke.sh: line $LINENO failed (exit $?): $BASH_COMMAND" >&2' ERR
if [[ $# -ne 4 ]]; then
  echo "usage: window-smoke.sh WINE PACKWRIGHT.EXE PACK.fat OUT" >&2
  exit 2
fi
if [[ -z ${PACKWRIGHT_SMOKE_DISPLAY:-} ]]; then
  PACKWRIGHT_SMOKE_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
wine=$1
exe=$(realpath "$2")
pack=$(realpath "$3")
out=$4
mkdir -p "$out"
list=$(mktemp -d)
trap 'rm -rf "$list"' EXIT
printf '# no mods yet\n' >"$list/play.pwmods"

# The pack's entry count, from its index: a signed 4-byte count at its start.
entries=$(python3 -c 'import struct,sys; print(max(0, struct.unpack("<i", open(sys.argv[1], "rb").read(4))[0]))' "$pack")
[[ $entries == 1 ]] && noun=entry || noun=entries

# shows NAME TITLE-PATTERN [ARGUMENT]: starts the window, waits (up to two
# minutes: wine's first start in a prefix is slow) for a window whose
# title matches, pictures the display, and ends the program.
shows() {
  local name=$1 pattern=$2
  shift 2
  "$wine" "$exe" "$@" >/dev/null 2>&1 &
  local pid=$! found=""
  for _ in $(seq 240); do
    found=$(xwininfo -root -tree 2>/dev/null | grep -Eo "\"$pattern\"" | head -1 || true)
    [[ -n $found ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  if [[ -n $found ]]; then
    sleep 2 # the window drawn
    import -window root "$out/$name.png"
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [[ -z $found ]]; then
    echo "window-smoke.sh: packwright.exe $* showed no window titled /$pattern/; the windows were:" >&2
    xwininfo -root -tree 2>/dev/null | grep -o '"[^"]*"' | sort -u >&2 || true
    return 1
  fi
  echo "window-smoke.sh: packwright.exe $* shows $found"
}

# A Linux path as Windows programs under wine name it: drive Z: is "/".
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

shows main "Packwright"
shows contents "$(basename "$pack") - $entries $noun, [0-9]+ bytes" "$(windows_path "$pack")"
shows mods "Mods – play\.pwmods" "$(windows_path "$list/play.pwmods")"
