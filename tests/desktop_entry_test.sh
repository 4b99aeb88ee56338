#!/usr/bin/env bash
# The desktop entries as installed: the menu entry passes desktop-file-validate, takes a file
# (%f) and names the types under which file managers offer it for every file; the KDE action
# names the same program. Skipped (77) without desktop-file-validate.
# Usage: desktop_entry_test.sh BUILD_DIR
set -euo pipefail
command -v desktop-file-validate >/dev/null || exit 77
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
# A blank in the folder: the entry must quote the program's path.
prefix="$folder/Velarium portatile"
cmake --install "$1" --prefix "$prefix" >/dev/null
entry=$prefix/velarium.desktop
desktop-file-validate "$entry"
grep -qxF "Exec=\"$prefix/Velarium\" %f" "$entry" || { echo "Exec: $(grep ^Exec "$entry")"; exit 1; }
grep -qx 'MimeType=application/octet-stream;text/plain;' "$entry" || { echo "no MimeType"; exit 1; }
action=$prefix/velarium-servicemenu.desktop
grep -qx 'Name=Cripta/Decripta con Velarium' "$action" || { echo "no KDE action"; exit 1; }
grep -qxF "Exec=\"$prefix/Velarium\" %f" "$action" || { echo "KDE Exec wrong"; exit 1; }
echo "passed: both desktop entries name $prefix/Velarium with %f"
