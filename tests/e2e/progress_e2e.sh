#!/usr/bin/env bash
# Long work on a real X server with a window manager: a 4 GiB file is encrypted from its card;
# while the work runs the main window goes on painting (two pictures of it differ, its animation
# moving), the progress dialog shows, and Escape stops the work with the file as it was.
# Usage: progress_e2e.sh VELARIUM_BINARY SHIPPED_STORE VELARIUM_CLI ARTIFACTS_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool import compare openbox
cli=$3
E2E_ARTIFACTS=$4
mkdir -p "$E2E_ARTIFACTS"
e2e_start_desktop
e2e_stage_program "$1" "$2"
# Holes cost no disk to read; the work still runs over every byte.
disk=$E2E_WORK/disco.img
truncate -s 4G "$disk"
before=$(stat -c '%i %s %b %Y' "$disk")
printf 'pw\n' | "$cli" --folder "$E2E_FOLDER" cards add --file "$disk" --description "Disco" \
    >/dev/null
e2e_start_program
main=$(e2e_log_in)

# The card, then Cripta file and Sì.
xdotool mousemove --window "$main" 334 490 click 1
xdotool mousemove --window "$main" 371 366 click 1
e2e_wait_window '^Conferma criptaggio file$' >/dev/null
e2e_key alt+s
dialog=$(e2e_wait_window '^Operazione in corso$')

# Pictures of the main window a little apart, until one differs from the first: a window that
# stopped painting would give the same picture every time. Its animation moves a few times a
# second.
import -window "$main" "$E2E_ARTIFACTS/1-working.png"
differing=0
for _ in $(seq 12); do
    sleep 0.25
    import -window "$main" "$E2E_ARTIFACTS/2-working.png"
    differing=$(compare -metric AE "$E2E_ARTIFACTS/1-working.png" "$E2E_ARTIFACTS/2-working.png" \
        null: 2>&1 || true)
    differing=${differing%% *}
    [[ $differing =~ ^[0-9]+$ && $differing -gt 0 ]] && break
done
e2e_shot 3-progress-dialog
e2e_activate "$dialog"
e2e_key Escape
cancelled=$(e2e_wait_window '^Operazione criptaggio file annullata$')
e2e_shot 4-cancelled
[[ $differing =~ ^[0-9]+$ && $differing -gt 0 ]] ||
    e2e_fail "the main window did not repaint while the work ran ($differing)"
e2e_visible '^Operazione criptaggio file terminata$' &&
    e2e_fail "a success box followed the cancel"
e2e_activate "$cancelled"
e2e_key Return
e2e_wait_gone '^Operazione criptaggio file annullata$'

[[ $(stat -c '%i %s %b %Y' "$disk") == "$before" ]] || e2e_fail "the file changed"
[[ -e $E2E_FOLDER/Criptato.xyz ]] && e2e_fail "the temporary file was left behind"

e2e_activate "$main"
e2e_key alt+F4
e2e_wait_for 10 bash -c "! kill -0 $E2E_APP 2>/dev/null" || e2e_fail "the program did not end"
echo "passed: the window painted while a 4 GiB file was encrypted, and Escape stopped it with" \
    "the file as it was"
