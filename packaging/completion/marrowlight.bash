# SPDX-License-Identifier: GPL-3.0-or-later
# Bash completion for marrowlight, marrowlight-cli and marrowlight-simbus,
# installed under each command's name for bash-completion to load.
#
# A Tab never runs the programs and never opens a drive: the commands,
# options and --mode values are listed here (tests/packaging checks them
# against the programs' own parsers), device nodes are the names /dev/sr*
# and /dev/sg* as the folder lists them, and files come from the file system.
# It needs bash alone (not the bash-completion helpers), so zsh can use it
# too after "autoload -U bashcompinit && bashcompinit".

# Words of a list ($1) that begin with the word under the cursor ($2).
_marrowlight_words() {
  COMPREPLY+=($(compgen -W "$1" -- "$2"))
}

_marrowlight_files() {
  local IFS=$'\n'
  compopt -o filenames 2>/dev/null
  COMPREPLY+=($(compgen -f -- "$1"))
}

# The drives' nodes (their names only: nothing is opened), and files; a word
# in the device folder gets the nodes alone (a device file is no image). The
# tests point _marrowlight_dev at a folder of their own.
_marrowlight_devices_and_files() {
  local dev=${_marrowlight_dev:-/dev} IFS=$'\n' nodes
  nodes=$(compgen -G "$dev/sr[0-9]*"; compgen -G "$dev/sg[0-9]*")
  COMPREPLY+=($(compgen -W "$nodes" -- "$1"))
  [[ $1 == "$dev"/* ]] || _marrowlight_files "$1"
}

_marrowlight_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local commands="scan check write copy pattern verify records erase info load eject firmware readscan"
  local global_options="--help --version --nolog --yes --no --verbose --manager --progress"
  local write_modes="test write test-write write-verify test-write-verify verify"
  local copy_modes="copy copy-verify verify"
  COMPREPLY=()

  # The command is the first word that is neither an option nor an option's value.
  local i command="" arguments=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    local word=${COMP_WORDS[i]}
    if [[ -z $command ]]; then
      case $word in
        --manager | --progress) ((i++)) ;;
        -*) ;;
        *) command=$word ;;
      esac
    else
      case $word in
        --mode | --size | --svg | --record | --from-record | --sha256) ((i++)) ;;
        -*) ;;
        *) ((arguments++)) ;;
      esac
    fi
  done

  case $prev in
    --manager)
      _marrowlight_words "sim sg" "$cur"
      _marrowlight_files "$cur"
      return ;;
    --progress) _marrowlight_words "text json" "$cur"; return ;;
    --mode)
      case $command in
        copy) _marrowlight_words "$copy_modes" "$cur" ;;
        *) _marrowlight_words "$write_modes" "$cur" ;;
      esac
      return ;;
    --size | --sha256) return ;;
    --svg | --record | --from-record) _marrowlight_files "$cur"; return ;;
  esac

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      _marrowlight_words "$global_options" "$cur"
    else
      _marrowlight_words "$commands" "$cur"
    fi
    return
  fi

  local options="--help" places=0
  case $command in
    scan) options+=" --json" ;;
    check) options+=" --json"; places=1 ;;
    write) options+=" --mode --size --record --json"; places=2 ;;
    copy) options+=" --mode --size --record"; places=2 ;;
    pattern) options+=" --size --mode --record"; places=1 ;;
    verify) options+=" --from-record --sha256 --record"; places=1 ;;
    records) options+=" --json" ;;
    erase) options+=" --quick"; places=1 ;;
    info | load | eject) places=1 ;;
    firmware)
      places=2
      # The update file is a file, never a drive.
      if ((arguments == 1)) && [[ $cur != -* ]]; then
        _marrowlight_files "$cur"
        return
      fi ;;
    readscan) options+=" --json --svg"; places=1 ;;
    *) return ;;
  esac
  if [[ $cur == -* ]]; then
    _marrowlight_words "$options" "$cur"
  elif ((arguments < places)) || [[ $command == write ]]; then
    _marrowlight_devices_and_files "$cur"
  fi
}

_marrowlight_gui() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  case $prev in
    --manager)
      _marrowlight_words "sim sg" "$cur"
      _marrowlight_files "$cur"
      return ;;
  esac
  if [[ $cur == -* ]]; then
    _marrowlight_words "-nolog --trace --manager --version" "$cur"
  else
    # The image to open.
    _marrowlight_files "$cur"
  fi
}

_marrowlight_simbus() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  case $COMP_CWORD in
    1) _marrowlight_words "list insert reset help" "$cur" ;;
    3)
      [[ ${COMP_WORDS[1]} == insert ]] && _marrowlight_words "dvd-r dvd-rw dvd+r image none" "$cur" ;;
    4)
      [[ ${COMP_WORDS[1]} == insert && ${COMP_WORDS[3]} == image ]] && _marrowlight_files "$cur" ;;
  esac
}

complete -F _marrowlight_cli marrowlight-cli
complete -F _marrowlight_gui marrowlight
complete -F _marrowlight_simbus marrowlight-simbus
