#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The bash completion offers the action words, every option name and the
# words of the options that take words; the zsh one parses.
# Usage: check-completion.sh BASH_COMPLETION ZSH_COMPLETION KAVLOR
set -euo pipefail
bash_file=$1 zsh_file=$2 kavlor=$3
# shellcheck source=/dev/null
source "$bash_file"

complete_line() {  # complete_line WORD... : the offers for the last word
  COMP_WORDS=(kavlor "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _kavlor
  echo "${COMPREPLY[*]}"
}

status=0
expect() {  # expect OFFERS WORD...
  local want=$1; shift
  local got; got=$(complete_line "$@")
  if [ "$got" != "$want" ]; then
    echo "kavlor $*<TAB>: got [$got], want [$want]"; status=1
  fi
}
# offers                                                          line
expect "top bottom left right topleft topright bottomleft bottomright" -p ""
expect "topleft"                                                   position topl
expect "top topleft topright"                                      -p top
expect "thin thick none"                                           -b ""
expect "right left none true"                                      scrollbar ""
expect "always never"                                              -st ""
expect "top left right bottom"                                     -tp ""
expect "block ibeam underline"                                     -us ""
expect "shift control ctrl alt mod1 windows win none"              -m ""
expect "start current"                                             -td ""
expect "true false yes no 1 0"                                     allowbold ""
expect "shift+control shift+ctrl"                                  -km shift+c
expect "control ctrl alt shift windows"                            keymod ""
expect "--toggle"                                                  --t
expect ""                                                          -k ""
expect ""                                                          -c15 ""

# Every name --help and --info print is offered where a name goes.
names=" $(complete_line "") "
while read -r name; do
  case $name in
    -cX) want=(-c0 -c15) ;;
    colorX) want=(color0 color15) ;;
    *) want=("$name") ;;
  esac
  for w in "${want[@]}"; do
    [[ $names == *" $w "* ]] || { echo "not offered: $w"; status=1; }
  done
done < <({ env -u DISPLAY "$kavlor" --help || true; } | sed -n -e 's/^  \(--[a-z]*\)\t.*/\1/p' \
           -e '/^Options are:/,/^\t/s/^  \(-[A-Za-z]*\) .*/\1/p'
         { env -u DISPLAY "$kavlor" --info || true; } | sed -n 's/^  \([A-Za-z]*\):  \t.*/\1/p')

if command -v zsh >/dev/null; then
  zsh -n "$zsh_file" || { echo "zsh completion does not parse"; status=1; }
else
  echo "zsh not installed: the zsh completion was not parsed"
fi
[ $status -eq 0 ] && echo "completion offers every name and word"
exit $status
