#!/usr/bin/env bash
# The installer under wine, in a wine prefix of its own, as a script would
# run it: a silent install for the current user with packwright-cli on the
# PATH puts the programs, the uninstaller, the Start menu shortcut, the file
# types, the "Apps & features" entry and the PATH entry in place; the
# installed packwright-cli.exe extracts a pack into files byte-identical to
# the Linux tool's; the silent uninstall takes every one of them away, the
# window's settings with them.
# usage: installer-test.sh WINE SETUP.EXE LINUX-PACKWRIGHT-CLI PACK.fat
set -Eeuo pipefail
# A step that fails on its own says which one it was.
trap 'echo "installer-test.sh: line $LINENO failed (exit $?): $BASH_COMMAND" >&2' ERR
if [[ $# -ne 4 ]]; then
  echo "usage: installer-test.sh WINE SETUP.EXE LINUX-PACKWRIGHT-CLI PACK.fat" >&2
  exit 2
fi
wine=$1
setup=$(realpath "$2")
linux_cli=$(realpath "$3")
pack=$(realpath "$4")
wineserver=$(dirname "$wine")/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver)
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() {
  echo "installer-test.sh: $*" >&2
  exit 1
}
# Runs a Windows program and waits for every process it left (the
# uninstaller goes on from a copy of itself) and for the registry on disk.
run() {
  local status=0
  "$wine" "$@" >"$work/out" 2>&1 || status=$?
  if ((status != 0)); then
    cat "$work/out" >&2
    echo "installer-test.sh: $* exited with $status" >&2
    return 1
  fi
  "$wineserver" -w
}
reg_value() { # KEY VALUE: the value's data, empty when it is not there
  { "$wine" reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
reg_default() { { "$wine" reg query "$1" /ve 2>/dev/null || true; } | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'; }

run wineboot --init
"$wine" reg add 'HKCU\Software\Packwright\packwright\mods' /v gameFolder /d 'C:\game' /f >/dev/null
run "$setup" /S /AddToPath

uninstall=HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Packwright
location=$(reg_value "$uninstall" InstallLocation)
[[ -n $location ]] || fail "no Apps & features entry with the install folder"
dir=$("$wine" winepath -u "$location" 2>/dev/null | tr -d '\r')
for f in packwright.exe packwright-cli.exe uninstall.exe README.txt LICENSE.txt; do
  [[ -f "$dir/$f" ]] || fail "$f is not in $location"
done
[[ $location == *'\AppData\Local\Programs\Packwright' ]] || fail "installed for the current user into $location"
shortcut=$(find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Packwright.lnk' 2>/dev/null | head -1 || true)
[[ -n $shortcut ]] || fail "no Start menu shortcut"
[[ $(reg_value "$uninstall" DisplayVersion) =~ ^[0-9]+\.[0-9]+ ]] || fail "Apps & features shows no version"
size=$(reg_value "$uninstall" EstimatedSize)
((size > 1024)) || fail "Apps & features shows a size of ${size:-nothing}"
[[ $(reg_value "$uninstall" UninstallString) == *uninstall.exe* ]] || fail "Apps & features has no uninstaller"
for type in .fat:Packwright.Pack .pwpatch:Packwright.Patch .pwmods:Packwright.ModList; do
  ext=${type%%:*} id=${type#*:}
  [[ $(reg_default "HKCU\\Software\\Classes\\$ext") == "$id" ]] || fail "$ext does not open as $id"
  command=$(reg_default "HKCU\\Software\\Classes\\$id\\shell\\open\\command")
  [[ $command == "\"$location\\packwright.exe\" \"%1\"" ]] || fail "$id opens with: $command"
  [[ $(reg_default "HKCU\\Software\\Classes\\$id\\DefaultIcon") == *packwright.exe* ]] || fail "$id has no icon"
done
[[ $(reg_value 'HKCU\Environment' Path) == *"$location"* ]] || fail "packwright-cli is not on the PATH"

# The installed tool against the Linux one, file for file (the logs name
# each system's own paths).
mkdir -p "$work/linux" "$work/windows"
"$linux_cli" extract --target "$work/linux" "$pack" >"$work/out" 2>&1 || { cat "$work/out" >&2; fail "the Linux packwright-cli failed"; }
run "$dir/packwright-cli.exe" extract --target "Z:${work//\//\\}\\windows" "Z:${pack//\//\\}"
diff -r -x result.log "$work/linux" "$work/windows" >&2 || fail "the installed packwright-cli extracts otherwise than the Linux one"
[[ -n $(find "$work/windows" -type f ! -name result.log) ]] || fail "the installed packwright-cli extracted nothing"

run "$dir/uninstall.exe" /S
[[ ! -e $dir ]] || fail "the uninstaller left $location: $(ls -A "$dir")"
[[ ! -e $shortcut ]] || fail "the uninstaller left the Start menu shortcut"
[[ -z $(reg_value "$uninstall" InstallLocation) ]] || fail "the uninstaller left the Apps & features entry"
for key in .fat .pwpatch .pwmods Packwright.Pack Packwright.Patch Packwright.ModList Applications\\packwright.exe; do
  ! "$wine" reg query "HKCU\\Software\\Classes\\$key" >/dev/null 2>&1 || fail "the uninstaller left HKCU\\Software\\Classes\\$key"
done
[[ $(reg_value 'HKCU\Environment' Path) != *"$location"* ]] || fail "the uninstaller left the PATH entry"
! "$wine" reg query 'HKCU\Software\Packwright' >/dev/null 2>&1 || fail "the uninstaller left the settings"
echo "installer-test.sh: installed into $location, extracted alike, uninstalled without a trace"
