#!/usr/bin/env bash
# Writes the manual page swirlmoss.1 with help2man from the program's own --help: the
# program's options, then a section per subcommand made from that subcommand's --help, then
# the fixed sections of swirlmoss.h2m. The plugin the help names as found is the build
# folder's; the page leaves it out (its FILES section names the installed place).
# Usage: manpage.sh SWIRLMOSS OUTPUT
set -euo pipefail
program=${1:?usage: manpage.sh SWIRLMOSS OUTPUT}
output=${2:?usage: manpage.sh SWIRLMOSS OUTPUT}
here=$(cd "$(dirname "$0")" && pwd)
installed_plugin=/usr/lib/swirlmoss/plugins/Swirlmoss.so
built_plugin=$(cd "$(dirname "$program")" && pwd)/Swirlmoss.so
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One subcommand's --help as roff: its usage as a subheading, its description, each option as a
# tagged paragraph (names in bold, the value's type in italics, then the default), and the
# text after the options verbatim.
to_roff() {
  awk -v built="$built_plugin" -v installed="$installed_plugin" '
    function escape(text) {
      gsub(/\\/, "\\e", text); gsub(/-/, "\\-", text)
      if (text ~ /^[.\047]/) text = "\\&" text
      return text
    }
    function head(column,   n, word, names, i, text) {
      n = split(column, word, " ")
      split(word[1], names, ",")
      text = "\\fB" escape(names[1]) "\\fR"
      for (i = 2; i in names; i++) text = text ", \\fB" escape(names[i]) "\\fR"
      for (i = 2; i <= n; i++) {
        if (i == 2 && match(word[i], /^[A-Z]+/)) text = text " \\fI" substr(word[i], 1, RLENGTH) "\\fR" escape(substr(word[i], RLENGTH + 1))
        else text = text " " escape(word[i])
      }
      return text
    }
    {
      here = " (here: " built ")"
      if (i = index($0, here)) $0 = substr($0, 1, i - 1) substr($0, i + length(here))
      else if (i = index($0, built)) $0 = substr($0, 1, i - 1) installed substr($0, i + length(built))
    }
    NR == 1 { description = $0; next }
    /^Usage: / { sub(/^Usage: /, ""); printf ".SS \"%s\"\n%s\n", escape($0), escape(description); next }
    /^Options:$/ { options = 1; next }
    options && /^$/ { options = 0; footer = 1; next }
    options && /^  -/ {
      column = substr($0, 3); rest = ""
      end = index(column, "  ")
      if (end) { rest = substr(column, end); column = substr(column, 1, end - 1); sub(/^ +/, "", rest) }
      printf ".TP\n%s\n", head(column)
      if (rest != "") print escape(rest)
      next
    }
    options { sub(/^ +/, ""); print escape($0); next }
    footer && !started && /^$/ { next }
    footer && !started { print ".PP\n.nf"; started = 1 }
    footer { print escape($0) }
    END { if (started) print ".fi" }'
}

{
  echo "[COMMANDS]"
  for subcommand in $("$here/help_outline.sh" --subcommands "$program"); do
    "$program" "$subcommand" --help | to_roff
  done
} >"$work/commands.h2m"

help2man --no-info --section=1 \
  --name="render, inspect and benchmark the Swirlmoss video effect without a display" \
  --include="$work/commands.h2m" --include="$here/swirlmoss.h2m" \
  --output="$work/swirlmoss.1" "$program"
mv "$work/swirlmoss.1" "$output"
