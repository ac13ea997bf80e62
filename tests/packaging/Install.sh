#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Install.sh BUILD_DIR APP_ID: cmake --install (the rules the .deb is made
# from) puts the manual pages, the completion and the desktop files where
# man, bash-completion and the desktops look, and the copyright file where
# Debian looks.
set -u
build=$1 id=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail=0
say() { echo "$*"; fail=1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null || { echo "install failed"; exit 1; }
share=$root/usr/share
for page in marrowlight marrowlight-cli marrowlight-simbus; do
  gzip -t "$share/man/man1/$page.1.gz" 2>/dev/null || say "no manual page $page.1.gz"
  [ -s "$share/bash-completion/completions/$page" ] || say "no completion for $page"
done
[ -s "$share/applications/$id.desktop" ] || say "no desktop entry"
[ -s "$share/metainfo/$id.metainfo.xml" ] || say "no metainfo"
for size in 64x64 128x128; do
  [ -s "$share/icons/hicolor/$size/apps/$id.png" ] || say "no $size icon"
done
head -n 1 "$share/doc/marrowlight/copyright" 2>/dev/null | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  say "no machine-readable copyright file"
grep -q "^License: GPL-3.0-or-later$" "$share/doc/marrowlight/copyright" 2>/dev/null || say "the copyright file names no GPL-3.0-or-later"
exit $fail
