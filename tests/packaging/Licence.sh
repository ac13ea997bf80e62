#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Licence.sh SOURCE_DIR [PROGRAM...]: every C++ and shell source of the
# tree carries the licence line in its first lines (after a shebang), LICENSE
# holds the GPL version 3, the metainfo names the project's licence, and each
# PROGRAM's --version names it (without a display). Lists what lacks it.
set -u
top=$1
shift
fail=0
grep -q "GNU GENERAL PUBLIC LICENSE" "$top/LICENSE" && grep -q "Version 3, 29 June 2007" "$top/LICENSE" ||
  { echo "LICENSE is not the GPL version 3"; fail=1; }

# C++ and shell by name, and any other file that starts with a shebang.
while IFS= read -r -d '' file; do
  case $file in
    *.cpp|*.h|*.hpp|*.sh|*.bash|*.py) ;;
    *) start=; IFS= read -r -n 2 start < "$file" 2>/dev/null; [ "$start" = "#!" ] || continue ;;
  esac
  head -n 3 "$file" | grep -q "SPDX-License-Identifier: GPL-3.0-or-later" || { echo "no licence line: ${file#"$top"/}"; fail=1; }
done < <(find "$top" \( -name .git -o -path "$top/build" -o -path "$top/build-*" \) -prune -o -type f -print0)
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$top"/packaging/*.metainfo.xml ||
  { echo "the metainfo names no project licence"; fail=1; }
for program in "$@"; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=minimal "$program" --version 2>&1)
  echo "$out" | grep -q "^Licence: GPL-3.0-or-later " || { echo "$program --version: $out"; fail=1; }
done
exit $fail
