#!/usr/bin/env bash
# Makes the manual page of a program from its own help, so the page always
# says what the program does: the synopsis, description and options from
# `PROGRAM --help`, and, when that help lists verbs, a section per verb from
# `PROGRAM VERB --help`. EXTRA (roff, may be empty) is added at the end:
# examples, files, see also.
# usage: manpage.sh PROGRAM NAME SUMMARY DATE EXTRA OUTPUT
#   NAME: the program's name as installed; SUMMARY: the NAME line's text;
#   DATE: the page's date (the release's, so the page is reproducible).
set -euo pipefail
program=$1 name=$2 summary=$3 date=$4 extra=$5 output=$6
here=$(dirname "$0")

main=$("$program" --help)
version=$("$program" --version)
version=${version##* }

# The items of one section of a help text ("Verbs:"), first words only.
items() { awk -v s="$1:" '$0 == s { on = 1; next } on && /^$/ { exit } on && /^  [^ ]/ { print $1 }'; }

{
  printf '.\\" Made by manpage.sh from the help of %s %s; do not edit.\n' "$name" "$version"
  printf '.TH %s 1 "%s" "Packwright %s" "User Commands"\n' "${name^^}" "$date" "$version"
  printf '.nh\n.ad l\n.SH NAME\n%s \\- %s\n' "$name" "$summary"
  awk -v name="$name" -v mode=main -f "$here/helpman.awk" <<<"$main"
  verbs=$(items Verbs <<<"$main")
  if [[ -n $verbs ]]; then
    printf '.SH VERBS\n'
    for verb in $verbs; do
      printf '.SS %s\n' "$verb"
      "$program" "$verb" --help | awk -v name="$name $verb" -v mode=verb -f "$here/helpman.awk"
    done
  fi
  [[ -z $extra ]] || cat "$extra"
} >"$output.tmp"
mv "$output.tmp" "$output"
