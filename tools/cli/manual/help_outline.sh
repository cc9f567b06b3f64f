#!/usr/bin/env bash
# Prints the command line of the swirlmoss program as its own --help describes it, so that the
# manual page and the bash completion are made from the text users see and cannot drift from it.
# One line per option, fields separated by "|":
#   SUBCOMMAND|NAMES|VALUE|DEFAULT|CHOICES
# SUBCOMMAND is "-" for the program itself; NAMES as in the help ("-o,--output"); VALUE is the
# value's type (TEXT, INT, FLOAT) or empty for a switch; CHOICES separated by spaces: those
# CLI11 checks ("TEXT:{a,b}"), or the curated looks that a preset option names.
# With --subcommands, prints the subcommands' names instead, one a line.
# Usage: help_outline.sh [--subcommands] SWIRLMOSS
set -euo pipefail
only_subcommands=0
if [ "${1:-}" = --subcommands ]; then only_subcommands=1; shift; fi
program=${1:?usage: help_outline.sh [--subcommands] SWIRLMOSS}

# CLI11's layout: a heading line ending in ':', then entries indented by two spaces whose first
# column ends at two spaces (or the line's end, the text following on the next lines); a blank
# line ends the list.
outline() {  # SUBCOMMAND, then the help text on standard input
  awk -v subcommand="$1" -v only_subcommands="$only_subcommands" '
    /^[A-Z][A-Za-z ]*:$/ { section = $0; next }
    /^$/ { section = ""; next }
    section == "Subcommands:" && /^  [a-z]/ { if (only_subcommands) print $1; next }
    section == "Options:" && /^  -/ && !only_subcommands {
      column = substr($0, 3)
      end = index(column, "  ")
      if (end) column = substr(column, 1, end - 1)
      n = split(column, word, " ")
      names = word[1]; type = ""; fallback = ""; choices = ""
      if (n >= 2 && word[2] ~ /^[A-Z]+([=:]|$)/ && word[2] != "REQUIRED") {
        type = word[2]; sub(/[=:].*/, "", type)
        if (word[2] ~ /^[A-Z]+=/) { fallback = word[2]; sub(/^[A-Z]+=/, "", fallback) }
        if (word[2] ~ /^[A-Z]+:\{[^}]*\}/) {
          choices = word[2]; sub(/^[A-Z]+:\{/, "", choices); sub(/\}.*$/, "", choices); gsub(/,/, " ", choices)
          if (word[2] ~ /\}=/) { fallback = word[2]; sub(/^.*\}=/, "", fallback) }
        }
      }
      # A value that may also be one of the names the description gives: "a curated look (a, b; ...)".
      look = index($0, "curated look (")
      if (look) {
        choices = substr($0, look + 14); sub(/[;)].*$/, "", choices); gsub(/, /, " ", choices)
      }
      printf "%s|%s|%s|%s|%s\n", subcommand, names, type, fallback, choices
    }'
}

"$program" --help | outline -
if [ "$only_subcommands" = 0 ]; then
  for subcommand in $("$0" --subcommands "$program"); do
    "$program" "$subcommand" --help | outline "$subcommand"
  done
fi
