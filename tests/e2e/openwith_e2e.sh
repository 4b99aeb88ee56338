#!/usr/bin/env bash
# A file given at the start, as a file manager's "Open with" gives it: a card is added and its
# file encrypted with velarium-cli; then "Velarium FILE" starts, and after the access password
# a single click on Decripta file (and the usual answers) gives the file back. The name has a
# blank and an accented letter.
# Usage: openwith_e2e.sh VELARIUM_BINARY SHIPPED_STORE VELARIUM_CLI ARTIFACTS_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool openbox
cli=$3
E2E_ARTIFACTS=$4
mkdir -p "$E2E_ARTIFACTS"
e2e_start_desktop
e2e_stage_program "$1" "$2"
letter="$E2E_WORK/Lettera per Niccolò.txt"
plain="Caro Niccolò, ti scrivo dal terrazzo."
printf '%s\n' "$plain" >"$letter"
printf 'chiave\n' | "$cli" --folder "$E2E_FOLDER" cards add --file "$letter" \
    --description "Lettera a Niccolò" >/dev/null
printf 'chiave\n' | "$cli" --folder "$E2E_FOLDER" encrypt "$letter" >/dev/null
[[ $(cat "$letter") != "$plain" ]] || e2e_fail "velarium-cli did not encrypt the letter"

e2e_start_program "$letter"
main=$(e2e_log_in)
e2e_shot 1-card-of-the-file
xdotool mousemove --window "$main" 637 366 click 1
e2e_answer_yes_and_both_reports decriptaggio decriptato
[[ $(cat "$letter") == "$plain" ]] || e2e_fail "the letter did not come back from its card"
e2e_shot 2-decrypted

e2e_activate "$main"
e2e_key alt+F4
e2e_wait_for 10 bash -c "! kill -0 $E2E_APP 2>/dev/null" || e2e_fail "the program did not end"
echo "passed: started with the letter, its card was there, and one click decrypted it"
