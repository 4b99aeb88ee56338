#!/usr/bin/env bash
# The Windows program under Wine on a real X server with a window manager, used as a person
# uses it: the login window found by its caption, the first access password typed, the main
# window up, a card saved with a document picked in Windows' own file dialog, and the document
# encrypted from that card. The bytes must be RC4 under the SHA-1 of the password, as on Linux.
# Usage: windows_e2e.sh PROGRAM_FOLDER ARTIFACTS_DIR
# (Wine's variables, WINEPREFIX among them, come from the caller.)
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool xprop xwininfo import openbox wine openssl
E2E_ARTIFACTS=$2
mkdir -p "$E2E_ARTIFACTS"
e2e_start_desktop
E2E_FOLDER=$E2E_WORK/Velarium
mkdir -p "$E2E_FOLDER"
cp -r "$1"/. "$E2E_FOLDER/"
document=$E2E_WORK/contratto.txt
plain=$E2E_WORK/chiaro.txt
printf 'Il testo del contratto, da proteggere.\n' >"$document"
cp "$document" "$plain"

(cd "$E2E_WORK" && exec wine "$E2E_FOLDER/Velarium.exe") &
e2e_pids+=($!)
e2e_cleanup_hooks+=(stop_wine)
stop_wine() { wineserver -k 2>/dev/null; }

# Pixels of the main window's client area, as its layout places the controls.
click_at() {
    local id=$1 x=$2 y=$3
    e2e_activate "$id"
    xdotool mousemove --window "$id" "$x" "$y" click 1
}
# Waits for a box whose title matches, then presses its default button.
press_default() {
    local box
    box=$(e2e_wait_window "$1")
    e2e_activate "$box"
    e2e_key Return
    e2e_wait_gone "$1"
}

# 1. The login window, found by its caption once Wine has started the program; the first
#    access password opens the main window.
e2e_wait_for 90 e2e_visible '^ Velarium 2\.0 - Autenticazione$' ||
    e2e_fail "the login window did not appear"
e2e_shot 1-login
main=$(e2e_log_in velarium)
e2e_shot 2-main-window

# 2. A key in the file field opens Windows' file dialog; the document is named by its Windows
#    path (Wine's drive Z: is the root of the file system).
e2e_key a
dialog=$(e2e_wait_window '^Selezionare il file da criptare o decriptare e premere Apri$')
e2e_activate "$dialog"
e2e_type "Z:${document//\//\\}"
e2e_key Return
e2e_wait_gone '^Selezionare il file'

# 3. The rest of the card, each field clicked before it is typed into, then Salva.
click_at "$main" 334 138
e2e_type "Contratto"
click_at "$main" 334 216
e2e_type "segreta"
click_at "$main" 334 274
e2e_type "segreta"
e2e_shot 3-card-typed
click_at "$main" 64 196
press_default '^Salvataggio scheda effettuato con successo$'
[[ -s $E2E_FOLDER/Velarium.pro ]] || e2e_fail "no card was saved"

# 4. Cripta file: its question and both reports, each answered with its default button.
click_at "$main" 371 366
for box in '^Conferma criptaggio file$' '^Termine creazione file criptato$' \
    '^Operazione criptaggio file terminata$'; do
    press_default "$box"
done
e2e_shot 4-encrypted

# 5. The document is RC4 under the first 16 bytes of the password's SHA-1, as on Linux.
key=$(printf '%s' segreta | openssl dgst -sha1 -binary | head -c 16 | od -An -tx1 | tr -d ' \n')
openssl enc -rc4 -K "$key" -nosalt -provider legacy -provider default \
    -in "$plain" -out "$E2E_WORK/atteso.bin"
cmp -s "$document" "$E2E_WORK/atteso.bin" || e2e_fail "the document is not RC4 of SHA-1"

e2e_activate "$main"
e2e_key alt+F4
echo "passed: Velarium.exe under Wine logged in, saved a card and encrypted its document"
