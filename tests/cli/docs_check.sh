#!/usr/bin/env bash
# The command line as documented against the command line as built. Every option that some
# subcommand's --help lists must be in that subcommand's section of docs/cli.md, in the bash
# completion (offered after the subcommand, and completed as a value where it takes one) and in
# the manual page; and docs/cli.md must document no option that the program lacks.
# Usage: docs_check.sh SWIRLMOSS DOCS_CLI_MD COMPLETION [MANUAL_PAGE]
set -uo pipefail
program=${1:?usage: docs_check.sh SWIRLMOSS DOCS_CLI_MD COMPLETION [MANUAL_PAGE]}
docs=${2:?} completion=${3:?} page=${4:-}
problems=0
problem() { echo "docs check: $*" >&2; problems=$((problems + 1)); }

# From CLI11's help: the subcommands, and per option "COMMAND NAME [value]" ("swirlmoss" for
# the program itself), read from the Options: list, whose first column ends at two spaces.
# Each subcommand's -h and --help are documented once, with the program's.
subcommands=$("$program" --help | awk '/^Subcommands:$/ { s = 1; next } /^$/ { s = 0 } s && /^  [a-z]/ { print $1 }')
[ -n "$subcommands" ] || { echo "docs check: $program --help lists no subcommands" >&2; exit 1; }
help_options() {  # COMMAND, then its help on standard input
  awk -v command="$1" '
    /^Options:$/ { options = 1; next }
    /^$/ { options = 0 }
    options && /^  -/ {
      column = substr($0, 3); end = index(column, "  "); if (end) column = substr(column, 1, end - 1)
      split(column, word, " "); n = split(word[1], name, ",")
      for (i = 1; i <= n; i++) print command, name[i], (word[2] ~ /^[A-Z]/ ? "value" : "")
    }'
}
from_help=$(
  "$program" --help | help_options swirlmoss
  for s in $subcommands; do "$program" "$s" --help | help_options "$s" | grep -v -e ' -h $' -e ' --help $'; done
)
help_names=$(cut -d' ' -f1,2 <<<"$from_help" | sort -u)

# docs/cli.md: a section per command, headed "## swirlmoss" or "## SUBCOMMAND", its options as
# table rows whose first cell names them in backticks ("| `-o PATH`, `--output PATH` | ...").
docs_names=$(awk '
  /^## / { section = (NF == 2 ? $2 : ""); next }
  /^\| *`-/ && section != "" {
    split($0, cell, "|"); text = cell[2]
    while (match(text, /`--?[A-Za-z][-A-Za-z0-9]*/)) {
      print section, substr(text, RSTART + 1, RLENGTH - 1); text = substr(text, RSTART + RLENGTH)
    }
  }' "$docs" | sort -u)
name=$(basename "$docs")
while read -r missing; do problem "$missing is in --help but not in $name"; done \
  < <(comm -23 <(echo "$help_names") <(echo "$docs_names") | grep .)
while read -r extra; do problem "$extra is in $name but not in --help"; done \
  < <(comm -13 <(echo "$help_names") <(echo "$docs_names") | grep .)

# The completion, run as bash runs it: after "swirlmoss SUBCOMMAND -" it offers every option;
# after an option that takes a value it completes the value, not another option.
# shellcheck source=/dev/null
source "$completion"
complete_words() {  # WORD..., the last being the one completed
  COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
  _swirlmoss 2>/dev/null
  printf ' %s ' "${COMPREPLY[@]}"
}
offered=$(complete_words swirlmoss "")
for s in $subcommands; do [[ $offered == *" $s "* ]] || problem "the completion does not offer the subcommand $s"; done
while read -r command option value; do
  words=(swirlmoss); [ "$command" = swirlmoss ] || words+=("$command")
  [[ $(complete_words "${words[@]}" -) == *" $option "* ]] ||
    problem "the completion does not offer $option after ${words[*]}"
  if [ -n "$value" ] && [[ $(complete_words "${words[@]}" "$option" -) == *" --help "* ]]; then
    problem "the completion offers options as the value of ${words[*]} $option"
  fi
done <<<"$from_help"
# Values a user would otherwise look up: a look for --preset, a parameter for --set, a MIDI system.
for want in "render --preset em|embers" "preview --set Spot|Spot\\ Spin=" "preview --midi-api j|jack"; do
  read -r command option word <<<"${want%%|*}"
  [[ $(complete_words swirlmoss "$command" "$option" "$word") == *" ${want##*|} "* ]] ||
    problem "the completion does not offer ${want##*|} after swirlmoss $command $option $word"
done

# The manual page: the section of each subcommand (for the program, OPTIONS) names each of its
# options; roff writes "-" as "\-".
if [ -n "$page" ]; then
  while read -r command option value; do
    section=$(awk -v heading=".SS \"swirlmoss $command " -v top="$([ "$command" = swirlmoss ] && echo 1)" '
      (top && /^\.SH OPTIONS/) || (!top && index($0, heading) == 1) { on = 1; next }
      on && /^\.S[SH] / && !/^\.SS "Subcommands/ { on = 0 }
      on' "$page")
    grep -qF -- "${option//-/\\-}" <<<"$section" || problem "the manual page does not name $option in swirlmoss $command"
  done <<<"$from_help"
fi

if [ "$problems" -ne 0 ]; then
  echo "docs check: $problems problems; --help, $name, the completion and the manual page must agree" >&2
  exit 1
fi
echo "docs check: $(wc -l <<<"$from_help") option names of swirlmoss and its $(wc -w <<<"$subcommands") subcommands" \
  "agree with $name, the completion and the manual page"
