#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Completion.sh SCRIPT CLI: the bash completion offers the commands and each
# command's options exactly as the program's own parser knows them, the
# --mode and --progress values, and /dev/sr* and /dev/sg* nodes by name; a
# Tab never runs a program (so never touches a drive).
set -u
script=$(realpath "$1") cli=$(realpath "$2")
fail=0
say() { echo "$*"; fail=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Plain files stand in for the device nodes: the completion only lists names.
mkdir "$work/dev" "$work/bin" "$work/here"
cd "$work/here" || exit 1  # file names are offered too: none here
touch "$work/dev/sr0" "$work/dev/sg1" "$work/dev/sda"
_marrowlight_dev=$work/dev
# Programs of these names that leave a mark if anything runs them.
for program in marrowlight marrowlight-cli marrowlight-simbus; do
  printf '#!/bin/sh\ntouch "%s/ran"\n' "$work" >"$work/bin/$program"
  chmod +x "$work/bin/$program"
done
PATH=$work/bin:$PATH
# shellcheck source=/dev/null
source "$script"

# The offers for a command line whose last word is being completed, sorted,
# on one line.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  local function
  function=$(complete -p "$1" | sed -E 's/.* -F ([^ ]+) .*/\1/')
  "$function" 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}
expect() {
  local want=$1 got
  shift
  got=$(offers "$@")
  [ "$got" = "$want" ] || say "$* -> \"$got\", expected \"$want\""
}

# The commands and options the parser knows, command by command.
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && NF { print $1 }' | sort | paste -sd ' ')
[ "$(echo "$commands" | wc -w)" -ge 10 ] || say "too few commands in --help: $commands"
expect "$commands" marrowlight-cli ""
expect "$("$cli" --help | sed '/^Subcommands:/,$d' | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u | paste -sd ' ')" marrowlight-cli --
for command in $commands; do
  expect "$("$cli" "$command" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u | paste -sd ' ')" marrowlight-cli "$command" --
done

expect "write-verify" marrowlight-cli write a.iso 0,4,0 --mode write-v
expect "test test-write test-write-verify" marrowlight-cli --yes pattern 0,5,0 --mode te
expect "copy copy-verify" marrowlight-cli copy a b --mode co
expect "json text" marrowlight-cli --progress ""
expect "sg sim" marrowlight-cli --manager s
expect "$work/dev/sg1 $work/dev/sr0" marrowlight-cli eject "$work/dev/s"
expect "$work/dev/sg1 $work/dev/sr0" marrowlight-cli write a.iso 0,4,0 "$work/dev/s"
expect "" marrowlight-cli info 0,4,0 "$work/dev/s"
expect "dvd+r dvd-r dvd-rw" marrowlight-simbus insert 0,4 dvd
expect "--trace" marrowlight --tr

[ ! -e "$work/ran" ] || say "a Tab ran a program"
exit $fail
