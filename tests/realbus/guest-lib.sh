# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the guest scripts. Each check runs as a section whose exit
# status, standard output and standard error go to the host between marker
# lines, which RealBusTest.cpp reads:
#
#   @@@ NAME status N
#   @@@ NAME stdout
#   ...
#   @@@ NAME stderr
#   ...
#   @@@ NAME end
#
# (a line end is added after each part, and taken off again by the reader).
export MARROWLIGHT_TIME_SCALE=0.001
export MARROWLIGHT_ASPI=/realbus/libmarrowlight-sg.so
. /realbus/realbus.env

section() {
  name="$1"
  shift
  "$@" > "/tmp/$name.out" 2> "/tmp/$name.err"
  echo "@@@ $name status $?"
  echo "@@@ $name stdout"
  cat "/tmp/$name.out"
  echo
  echo "@@@ $name stderr"
  cat "/tmp/$name.err"
  echo
  echo "@@@ $name end"
}

cli() { /realbus/marrowlight-cli --manager sg "$@"; }
