#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# ManPages.sh MAN_DIR CLI SOURCE_DIR: every manual page formats without a
# warning (groff and man-db), the CLI's page names every command and option
# of the program's own parser, and the pages together name every environment
# variable the programs read.
set -u
man_dir=$1 cli=$2 source_dir=$3
fail=0
say() { echo "$*"; fail=1; }

for page in "$man_dir"/marrowlight.1 "$man_dir"/marrowlight-cli.1 "$man_dir"/marrowlight-simbus.1; do
  [ -s "$page" ] || { say "missing: $page"; continue; }
  out=$(groff -ww -z -man -Tutf8 "$page" 2>&1) || say "groff failed on $page"
  [ -z "$out" ] || say "groff warns on $page: $out"
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || say "man failed on $page"
  [ -z "$out" ] || say "man warns on $page: $out"
done

cli_page="$man_dir/marrowlight-cli.1"
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && NF { print $1 }')
[ "$(echo "$commands" | wc -w)" -ge 10 ] || say "too few commands in --help: $commands"
for command in $commands; do
  grep -q "fB$command\\\\fR" "$cli_page" || say "marrowlight-cli.1 lacks the command $command"
  for option in $("$cli" "$command" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
    [ "$option" = --help ] && continue
    grep -q -- "fB$option" "$cli_page" || say "marrowlight-cli.1 lacks $command $option"
  done
done
for option in $("$cli" --help | sed '/^Subcommands:/,$d' | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
  grep -q -- "fB$option" "$cli_page" || say "marrowlight-cli.1 lacks the option $option"
done

variables=$(grep -rhoE '(getenv|GetEnv|Environment)\("[A-Z_]+"' "$source_dir"/{app,base,host,cli,gui,managers} |
            grep -oE '"[A-Z_]+"' | tr -d '"' | sort -u)
[ -n "$variables" ] || say "no environment variables found in the sources"
for variable in $variables; do
  grep -q "$variable" "$man_dir"/*.1 || say "no manual page names $variable"
done
exit $fail
