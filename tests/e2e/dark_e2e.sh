#!/usr/bin/env bash
# The program under a dark desktop scheme (GTK's Adwaita dark, read by Qt's GTK platform theme):
# what is typed into the card stays readable, black on the light fields, and is read back by
# OCR; so is the login prompt.
# Usage: dark_e2e.sh VELARIUM_BINARY SHIPPED_STORE ARTIFACTS_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool import convert openbox tesseract
theme=$(find /usr/lib -path '*qt6/plugins/platformthemes/libqgtk3.so' -print -quit 2>/dev/null)
[[ -n $theme ]] || { echo "skipped: Qt's GTK platform theme is not installed"; exit 77; }
E2E_ARTIFACTS=$3
mkdir -p "$E2E_ARTIFACTS"
e2e_start_desktop
e2e_stage_program "$1" "$2"
export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
e2e_start_program

# The text of a window read from a picture of it, enlarged for the OCR.
read_window() {
    local id=$1 name=$2
    import -window "$id" "$E2E_ARTIFACTS/$name.png"
    convert "$E2E_ARTIFACTS/$name.png" -resize 300% -colorspace Gray "$E2E_WORK/$name-big.png"
    tesseract "$E2E_WORK/$name-big.png" - -l ita+eng --psm 11 2>/dev/null | tee "$E2E_ARTIFACTS/$name.txt"
}

login=$(e2e_wait_window '^ Velarium 2\.0 - Autenticazione$')
read_window "$login" 1-login | grep -qi "Immettere la password" ||
    e2e_fail "the login prompt cannot be read under the dark scheme"
main=$(e2e_log_in)
xdotool mousemove --window "$main" 334 138 click 1
e2e_type "Contratto affitto Bologna"
# Away from the field, so that its focus colour does not help the reading.
xdotool mousemove --window "$main" 334 216 click 1
read_window "$main" 2-card | grep -qi "affitto Bologna" ||
    e2e_fail "typed text cannot be read under the dark scheme"

e2e_activate "$main"
e2e_key alt+F4
e2e_wait_for 10 bash -c "! kill -0 $E2E_APP 2>/dev/null" || e2e_fail "the program did not end"
echo "passed: under a dark scheme the login prompt and the typed text read back by OCR"
