#!/usr/bin/env bash
# Writes the bash completion of the swirlmoss program, made from its own --help (through
# help_outline.sh): the subcommands, each one's options, and for an option's value its choices,
# a file name, the default the help shows (a device, a size), a look or a file for --preset, a
# parameter's name for --set (from `info --json`), or nothing where the value is the user's own.
# Usage: completion.sh SWIRLMOSS OUTPUT
set -euo pipefail
program=${1:?usage: completion.sh SWIRLMOSS OUTPUT}
output=${2:?usage: completion.sh SWIRLMOSS OUTPUT}
here=$(dirname "$0")
outline=$("$here/help_outline.sh" "$program")
subcommands=$("$here/help_outline.sh" --subcommands "$program" | tr '\n' ' ')

# The plugin's parameter names as --set takes them ("Light=|Spot Spin=|..."); none where the
# program cannot describe its plugin.
parameters=$("$program" info --json 2>/dev/null |
  awk '/^    \{$/ { getline; getline; if (match($0, /"name": ".*"/)) printf "%s%s=", sep, substr($0, RSTART + 9, RLENGTH - 10); sep = "|" }') || true

# Text values that are not file names; every other text value is a path, --output-dir a folder.
not_paths=" --size --io-size --set --device --audio-source "

{
  echo "# bash completion for swirlmoss, generated from its --help when it is built: do not edit."
  echo "_swirlmoss() {"
  echo '  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command="" words=""'
  echo "  # The program itself takes no option with a value, so the subcommand is the first word."
  echo '  [ "$COMP_CWORD" -gt 1 ] && command=${COMP_WORDS[1]}'
  echo '  case "$command $prev" in'
  # One branch per way of completing a value, naming every option that completes so.
  declare -A patterns=()
  actions=()
  while IFS='|' read -r subcommand names type fallback choices; do
    [ -n "$type" ] || continue
    long=${names##*,}
    fallback=${fallback#[}; fallback=${fallback%]}
    if [ "$long" = --preset ]; then  # a look by name, or a preset file
      action="compopt -o filenames 2>/dev/null; COMPREPLY=(\$(compgen -W \"$choices\" -- \"\$cur\") \$(compgen -f -- \"\$cur\"))"
    elif [ "$long" = --set ] && [ -n "$parameters" ]; then  # NAME=, the value left to type
      action="compopt -o nospace 2>/dev/null; local IFS=\$'\\n|'; COMPREPLY=(\$(compgen -W \"$parameters\" -- \"\$cur\")); COMPREPLY=(\"\${COMPREPLY[@]// /\\\\ }\")"
    elif [ -n "$choices" ]; then
      action="COMPREPLY=(\$(compgen -W \"$choices\" -- \"\$cur\"))"
    elif [ "$type" != TEXT ]; then
      action="COMPREPLY=()"
    elif [[ $not_paths == *" $long "* ]]; then
      action="COMPREPLY=(\$(compgen -W \"${fallback//,/ }\" -- \"\$cur\"))"
      [ -n "$fallback" ] || action="COMPREPLY=()"
    elif [ "$long" = --output-dir ]; then
      action="compopt -o filenames 2>/dev/null; COMPREPLY=(\$(compgen -d -- \"\$cur\"))"
    else
      action="compopt -o filenames 2>/dev/null; COMPREPLY=(\$(compgen -f -- \"\$cur\"))"
    fi
    [ -n "${patterns[$action]+set}" ] || actions+=("$action")
    for name in ${names//,/ }; do patterns[$action]+="${patterns[$action]:+|}\"$subcommand $name\""; done
  done <<<"$outline"
  for action in "${actions[@]}"; do
    echo "    ${patterns[$action]})"
    echo "      $action; return ;;"
  done
  echo "  esac"
  echo '  case $command in'
  for subcommand in $subcommands; do
    words=$(awk -F'|' -v s="$subcommand" '$1 == s { gsub(/,/, " ", $2); printf "%s%s", sep, $2; sep = " " }' <<<"$outline")
    echo "    $subcommand) words=\"$words\" ;;"
  done
  words=$(awk -F'|' '$1 == "-" { gsub(/,/, " ", $2); printf "%s%s", sep, $2; sep = " " }' <<<"$outline")
  echo "    *) words=\"$subcommands$words\" ;;"
  echo "  esac"
  echo '  COMPREPLY=($(compgen -W "$words" -- "$cur"))'
  echo "}"
  echo "complete -F _swirlmoss swirlmoss"
} >"$output.tmp"
mv "$output.tmp" "$output"
