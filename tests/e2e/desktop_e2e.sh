#!/usr/bin/env bash
# The program on a real X server with a window manager, used as a person uses it: the access
# password changed with the keyboard alone, a card typed in, the window minimised and restored,
# the card saved, Qt's own boxes and dialogs read back (through OCR) to be Italian, the card's
# passwords edited after saving (encrypting is then refused) and the document decrypted from its
# card.
# Usage: desktop_e2e.sh VELARIUM_BINARY SHIPPED_STORE VELARIUM_CLI ARTIFACTS_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool xprop import convert openbox tesseract
cli=$3
E2E_ARTIFACTS=$4
mkdir -p "$E2E_ARTIFACTS"
e2e_start_desktop
e2e_stage_program "$1" "$2"
document=$E2E_WORK/contratto.txt
printf 'Il testo del contratto.\n' >"$document"
e2e_start_program

# The text a window shows, read from a picture of it enlarged for the OCR.
read_window() {
    local id=$1 name=$2
    import -window "$id" "$E2E_ARTIFACTS/$name.png" ||
        e2e_fail "no picture of the window $name"
    convert "$E2E_ARTIFACTS/$name.png" -resize 400% -colorspace Gray "$E2E_WORK/$name-big.png"
    tesseract "$E2E_WORK/$name-big.png" - -l ita+eng --psm 11 2>/dev/null | tee "$E2E_ARTIFACTS/$name.txt"
}

# Pixels of the main window's client area, as its layout places the controls.
click_at() {
    local id=$1 x=$2 y=$3
    e2e_activate "$id"
    xdotool mousemove --window "$id" "$x" "$y" click 1
}

# 1. The change of password with the keyboard alone: Tab to "Cambia password", Enter, the old
#    password, Enter, the new one, Enter, its confirmation, Enter (to OK), Enter (OK pressed).
login=$(e2e_wait_window '^ Velarium 2\.0 - Autenticazione$')
e2e_activate "$login"
e2e_key Tab Return
change=$(e2e_wait_window '^ Cambia password$')
e2e_type "velarium"
e2e_key Return
e2e_type "Nuova-Chiave"
e2e_key Return
e2e_type "Nuova-Chiave"
e2e_key Return Return
done_box=$(e2e_wait_window '^Velarium 2\.0$')
e2e_shot 1-password-changed
e2e_activate "$done_box"
e2e_key Return
e2e_wait_gone '^ Cambia password$'
cmp -s "$2" "$E2E_FOLDER/unins000.dll" && e2e_fail "the access store did not change"

# 2. The new password opens the program; the main window opens on an empty card.
main=$(e2e_log_in "Nuova-Chiave")
e2e_shot 2-main-window

# 3. A key in the file field opens the file dialog, in Italian; the document is chosen by name.
e2e_key a
dialog=$(e2e_wait_window '^Selezionare il file da criptare o decriptare e premere Apri$')
text=$(read_window "$dialog" 3-file-dialog)
for words in 'Cerca in' 'File di tipo' 'Annulla' 'Tutti i file (\*\.\*)'; do
    grep -qi "$words" <<<"$text" || e2e_fail "the file dialog does not say '$words'"
done
grep -Eq 'Look in|Files of type|Cancel' <<<"$text" && e2e_fail "the file dialog speaks English"
e2e_activate "$dialog"
e2e_type "$document"
# The name field's completer may be showing the name: a Return then only takes it, and the
# next one opens it.
for _ in 1 2 3; do
    e2e_key Return
    e2e_goes_away '^Selezionare il file' 3 && break
done
e2e_visible '^Selezionare il file' && e2e_fail "the file dialog did not take the document"

# 4. The rest of the card, then minimise and restore: nothing typed may be lost.
# Each field is clicked before it is typed into: a key that reached the file field would open
# the file dialog again.
click_at "$main" 334 138
e2e_type "Contratto di affitto"
click_at "$main" 334 216
e2e_type "segreta"
click_at "$main" 334 274
e2e_type "segreta"
e2e_shot 4-card-typed
xdotool windowminimize --sync "$main"
e2e_wait_for 10 bash -c "! xdotool search --onlyvisible --name '^ Velarium 2\.0\$' >/dev/null" ||
    e2e_fail "the main window did not minimise"
xdotool windowactivate --sync "$main"
e2e_wait_window '^ Velarium 2\.0$' >/dev/null
e2e_shot 5-restored

# 5. Salva stores the card as typed before the minimise.
click_at "$main" 64 196
saved_box=$(e2e_wait_window '^Salvataggio scheda')
e2e_activate "$saved_box"
e2e_key Return
e2e_wait_gone '^Salvataggio scheda'
saved() { "$cli" --folder "$E2E_FOLDER" cards show 1 --passwords >"$E2E_WORK/card.txt" 2>&1; }
e2e_wait_for 10 saved || e2e_fail "no card was saved: $(cat "$E2E_WORK/card.txt")"
cat "$E2E_WORK/card.txt" >"$E2E_ARTIFACTS/card.txt"
grep -qF "Contratto di affitto" "$E2E_WORK/card.txt" || e2e_fail "the description was lost"
grep -qF "$document" "$E2E_WORK/card.txt" || e2e_fail "the file path was lost"
grep -qF "segreta" "$E2E_WORK/card.txt" || e2e_fail "the password was lost"

# 6. Cripta file asks first, with Italian buttons: "&No" and "&Sì" answer to Alt+N and Alt+S,
#    and the English "&Yes" (Alt+Y) is not there. No leaves the document as it was.
plain="Il testo del contratto."
click_at "$main" 371 366
question=$(e2e_wait_window '^Conferma criptaggio file$')
read_window "$question" 6-question >/dev/null
e2e_key alt+y
e2e_goes_away '^Conferma criptaggio file$' 2 && e2e_fail "the question answered an English Alt+Y"
e2e_key alt+n
e2e_wait_gone '^Conferma criptaggio file$'
[[ $(cat "$document") == "$plain" ]] || e2e_fail "No did not stop the command"

# 7. Sì (Alt+S) goes on: both reports, and the document is encrypted.
click_at "$main" 371 366
e2e_answer_yes_and_both_reports criptaggio criptato
[[ $(cat "$document") != "$plain" ]] || e2e_fail "Sì did not encrypt the document"
e2e_shot 7-encrypted

# 8. Both passwords edited after Salva: Cripta refuses the card on screen, which is no longer the
#    card stored, and the document stays encrypted under the card's password.
encrypted=$E2E_WORK/encrypted.bin
cp "$document" "$encrypted"
for field_y in 216 274; do
    click_at "$main" 334 "$field_y"
    e2e_key ctrl+a
    e2e_type "un'altra"
done
click_at "$main" 371 366
refusal=$(e2e_wait_window '^Operazione non applicabile$')
e2e_shot 8-edited-card-refused
e2e_activate "$refusal"
e2e_key Return
e2e_wait_gone '^Operazione non applicabile$'
cmp -s "$document" "$encrypted" || e2e_fail "an edited card was encrypted"
"$cli" --folder "$E2E_FOLDER" cards show 1 --passwords | grep -qxF "segreta" ||
    e2e_fail "the card lost its password"

# 9. From its card the document decrypts: Nuovo, the first card, Decripta file.
click_at "$main" 64 140
click_at "$main" 334 490
click_at "$main" 637 366
e2e_answer_yes_and_both_reports decriptaggio decriptato
[[ $(cat "$document") == "$plain" ]] || e2e_fail "the card did not decrypt its document"
e2e_shot 9-decrypted-from-its-card

e2e_activate "$main"
e2e_key alt+F4
e2e_wait_for 10 bash -c "! kill -0 $E2E_APP 2>/dev/null" || e2e_fail "the program did not end"
echo "passed: password changed by keyboard, card kept through a minimise and saved, Italian boxes," \
    "an edited card refused and the document decrypted from its card"
