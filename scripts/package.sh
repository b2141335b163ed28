#!/usr/bin/env bash
# The Debian package, made and checked as a user would meet it:
#   1. a Release build (no sanitizers; Debian's hardening flags) in
#      build/package, made into packwright_VERSION_amd64.deb by CPack;
#   2. desktop-file-validate, appstreamcli validate --no-net and lintian;
#   3. (not with "build"; as root) apt-get install of the .deb, the installed
#      programs tried from /usr/bin (--version, an extract-insert round
#      trip), the manual pages, completion, file type and its default
#      application, then the package removed and nothing of it left behind.
# Prints how many seconds it took. Installs what it needs (deps.sh package).
# usage: scripts/package.sh [build]
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
jobs=$(nproc 2>/dev/null || echo 2)
fail() { echo "package.sh: $*" >&2; exit 1; }

scripts/deps.sh gui package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
out=build/package
# GCC 12 warns falsely about std::string copies at -O2 (its bug 105329).
cmake -S . -B $out -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DPACKWRIGHT_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) -Wno-restrict" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build $out -j"$jobs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' $out/CMakeCache.txt)
deb=packwright_${version}_amd64.deb
rm -f $out/packwright_*.deb
(cd $out && cpack -G DEB >/dev/null)
[[ -f $out/$deb ]] || fail "cpack made no $deb"
echo "Made $out/$deb"

id=io.github.packwright.Packwright
desktop-file-validate share/linux/$id.desktop
appstreamcli validate --no-net $out/share/linux/$id.metainfo.xml
# No error and no warning; the remaining notes are explained in docs/development.md.
lintian --fail-on error,warning "$out/$deb"
echo "Validators passed"
if [[ "${1:-}" == build ]]; then
  echo "package.sh: $((SECONDS - start)) s"
  exit 0
fi

# Installed as a user installs it.
export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=600 install -y -qq "./$out/$deb" >/dev/null
mapfile -t installed < <(dpkg-query -L packwright | while read -r f; do [[ -d $f && ! -L $f ]] || echo "$f"; done)
[[ "$(/usr/bin/packwright-cli --version)" == "packwright-cli $version" ]] || fail "packwright-cli --version"
[[ "$(/usr/bin/packwright --version)" == "packwright $version" ]] || fail "packwright --version"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 scripts/sample_pack.py "$work"
/usr/bin/packwright-cli extract -q --target "$work/out" "$work/DEMO.fat"
printf 'edited by package.sh\n' >"$work/out/DEMO/TXT/00000003.txt"
/usr/bin/packwright-cli insert -q --target "$work/new" "$work/out/result.log"
/usr/bin/packwright-cli verify "$work/new/DEMO.fat" --log "$work/out/result.log" >/dev/null
[[ "$(/usr/bin/packwright-cli cat "$work/new/DEMO.fat" readme.txt)" == "edited by package.sh" ]] ||
  fail "the round trip lost the edit"

man -w packwright-cli >/dev/null && man -w packwright >/dev/null
completion=/usr/share/bash-completion/completions/packwright-cli
[[ -f $completion ]] || fail "no $completion"
verbs=$(cd "$work" && bash -c "source $completion; COMP_WORDS=(packwright-cli ''); COMP_CWORD=1;
  _packwright_cli; echo \${COMPREPLY[*]}")
[[ " $verbs " == *" extract "* && " $verbs " == *" insert "* ]] || fail "completion offers: $verbs"
grep -q '\*\.fat' /usr/share/mime/globs2 || fail "the pack type is not in the MIME database"
[[ "$(xdg-mime query default application/x-packwright-pack)" == "$id.desktop" ]] ||
  fail "xdg-mime does not open packs with $id.desktop"
appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml >/dev/null
desktop-file-validate /usr/share/applications/$id.desktop
echo "Installed package works"

apt-get -o DPkg::Lock::Timeout=600 purge -y -qq packwright >/dev/null
dpkg-query -W packwright >/dev/null 2>&1 && fail "packwright still installed"
left=()
for f in "${installed[@]}"; do [[ -e $f || -L $f ]] && left+=("$f"); done
((${#left[@]} == 0)) || fail "left after removal: ${left[*]}"
[[ -d /usr/share/doc/packwright ]] && fail "left after removal: /usr/share/doc/packwright"
grep -q '\*\.fat' /usr/share/mime/globs2 && fail "the pack type stayed in the MIME database"
[[ -z "$(xdg-mime query default application/x-packwright-pack)" ]] || fail "the association stayed"
echo "Removed without a trace"
echo "package.sh: $((SECONDS - start)) s"
