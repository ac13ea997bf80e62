#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# DesktopFiles.sh PACKAGING_DIR APP_ID: the desktop entry and the AppStream
# metainfo validate, and both use the one reverse-DNS id (the icon's name).
set -u
dir=$1 id=$2
fail=0
say() { echo "$*"; fail=1; }
desktop=$dir/$id.desktop metainfo=$dir/$id.metainfo.xml

out=$(desktop-file-validate "$desktop" 2>&1) || say "desktop-file-validate failed"
[ -z "$out" ] || say "desktop-file-validate: $out"
appstreamcli validate --no-net "$metainfo" || say "appstreamcli validate failed"

grep -qx "Icon=$id" "$desktop" || say "the desktop entry's icon is not $id"
grep -qx 'Exec=marrowlight %f' "$desktop" || say "the desktop entry does not pass the image"
grep -qx 'MimeType=application/x-cd-image;application/x-iso9660-image;' "$desktop" || say "image types missing"
grep -q '^Categories=.*;Qt;' "$desktop" || say "the Qt category is missing"
grep -q "<id>$id</id>" "$metainfo" || say "the metainfo's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || say "launchable differs"
exit $fail
