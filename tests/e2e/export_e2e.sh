#!/usr/bin/env bash
# The clear-text exports in a real X server, with stand-ins for the desktop's opener. With no
# opener to start, both exports show their message and no export file is left anywhere. With an
# opener that works, the file it is given lives in the user's private runtime folder until the
# program ends. A run that is killed keeps its file while it lives, another copy of the program
# starting meanwhile leaves it alone, and the next start after its death removes it.
# Usage: export_e2e.sh VELARIUM_BINARY VELARIUM_CLI SHIPPED_STORE ARTIFACTS_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool xprop import openbox
cli=$2
E2E_ARTIFACTS=$4
mkdir -p "$E2E_ARTIFACTS"
e2e_start_desktop
e2e_stage_program "$1" "$3"

for n in 1 2; do
    printf 'segreta%s\n' "$n" |
        "$cli" --folder "$E2E_FOLDER" cards add --file "/documenti/file$n.pdf" \
            --description "Scheda $n" >/dev/null
done

runtime=$E2E_WORK/runtime
temporary=$E2E_WORK/tmp
mkdir -m 700 "$runtime"
mkdir "$temporary"

# The desktop says it has an application for both types; whether it can be started depends on
# the opener each run is given.
fails=$E2E_WORK/no-opener
opens=$E2E_WORK/opener
record=$E2E_WORK/opened.txt
mkdir "$fails" "$opens"
for bin in "$fails" "$opens"; do
    printf '#!/bin/sh\necho libreoffice-calc.desktop\n' >"$bin/xdg-mime"
done
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' "$record" >"$opens/xdg-open"
chmod +x "$fails/xdg-mime" "$opens/xdg-mime" "$opens/xdg-open"

# Starts a copy of the program whose only tools are those of `bin` (and, when asked, the
# system's), with the private runtime folder and a temporary folder of this script's own; no
# browser or desktop that Qt could fall back on.
start_velarium() {
    local path=$1
    env -u BROWSER -u DEFAULT_BROWSER -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION \
        -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
        PATH="$path" XDG_RUNTIME_DIR="$runtime" TMPDIR="$temporary" QT_QPA_PLATFORM=xcb \
        "$E2E_FOLDER/Velarium" &
    E2E_APP=$!
    e2e_pids+=("$E2E_APP")
}

# The positions of the commands in their windows.
open_export_window() {
    local main=$1
    e2e_activate "$main"
    xdotool mousemove --window "$main" 80 307 click 1
    e2e_wait_window '^ Esportazione archivio file criptati in Microsoft Word ed Excel$'
}
click_word() { xdotool mousemove --window "$1" 75 104 click 1; }
click_excel() { xdotool mousemove --window "$1" 265 104 click 1; }

exports_left() {
    find "$E2E_WORK" -name 'Velarium-archivio-*' | grep -q .
}
program_ended() {
    ! kill -0 "$1" 2>/dev/null
}
opened_count() {
    [[ -f $record ]] && wc -l <"$record" || echo 0
}
# The path of the last file handed to the opener (a file: URL).
opened_file() {
    local url
    url=$(tail -n1 "$record")
    printf '%s\n' "${url#file://}"
}
# Clicks a command of the export window until the opener has been handed one more file: a
# window just mapped may not take its first click yet.
export_until_opened() {
    local click=$1 window=$2 before
    before=$(opened_count)
    for _ in 1 2 3; do
        "$click" "$window"
        e2e_wait_for 10 test "$(opened_count)" -gt "$before" && return 0
    done
    return 1
}

# --- No opener can be started ------------------------------------------------------------------
start_velarium "$fails"
app=$E2E_APP
main=$(e2e_log_in)
export_window=$(open_export_window "$main")
e2e_shot 1-export-window
click_excel "$export_window"
box=$(e2e_wait_window '^Velarium 2\.0$')
e2e_shot 2-excel-failed
exports_left && e2e_fail "the spreadsheet stayed behind although nothing could open it"
e2e_activate "$box"
e2e_key Return
e2e_wait_gone '^Velarium 2\.0$'
click_word "$export_window"
box=$(e2e_wait_window '^Velarium 2\.0$')
e2e_shot 3-word-failed
exports_left && e2e_fail "the document stayed behind although nothing could open it"
e2e_activate "$box"
e2e_key Return
e2e_wait_gone '^Velarium 2\.0$'
kill "$app"
wait "$app" 2>/dev/null || true

# --- The opener works: the file lives as long as the program -----------------------------------
start_velarium "$opens:$PATH"
app=$E2E_APP
main=$(e2e_log_in)
export_window=$(open_export_window "$main")
export_until_opened click_excel "$export_window" || e2e_fail "the opener never got the spreadsheet"
file=$(opened_file)
[[ -f $file ]] || e2e_fail "the file handed to the opener is not there: $file"
[[ $file == "$runtime"/velarium/run-*/Velarium-archivio-*.xlsx ]] ||
    e2e_fail "the spreadsheet is not in the private runtime folder: $file"
[[ $(stat -c %a "$file") == 600 && $(stat -c %a "$(dirname "$file")") == 700 &&
    $(stat -c %a "$runtime/velarium") == 700 ]] || e2e_fail "the export is not private"
e2e_visible '^Velarium 2\.0$' && e2e_fail "a message came although the export was opened"
e2e_shot 4-excel-opened
# Esci in the export window, then in the main window.
xdotool mousemove --window "$export_window" 640 104 click 1
e2e_wait_gone '^ Esportazione archivio'
e2e_activate "$main"
xdotool mousemove --window "$main" 70 475 click 1
e2e_wait_for 15 program_ended "$app" || e2e_fail "the program did not end"
[[ -e $file ]] && e2e_fail "the export outlived the program: $file"
exports_left && e2e_fail "an export is left after the program ended"

# --- A killed run, another copy alive beside it, and the next start ----------------------------
start_velarium "$opens:$PATH"
killed=$E2E_APP
main=$(e2e_log_in)
export_window=$(open_export_window "$main")
export_until_opened click_word "$export_window" || e2e_fail "the opener never got the document"
file=$(opened_file)
[[ -f $file ]] || e2e_fail "the document handed to the opener is not there: $file"

start_velarium "$opens:$PATH"
second=$E2E_APP
e2e_wait_window '^ Velarium 2\.0 - Autenticazione$' >/dev/null
[[ -f $file ]] || e2e_fail "a second copy of the program took the files of one still running"
kill "$second"
wait "$second" 2>/dev/null || true

kill -KILL "$killed"
wait "$killed" 2>/dev/null || true
[[ -f $file ]] || e2e_fail "the killed run's file went before any start"
start_velarium "$opens:$PATH"
e2e_wait_for 15 test ! -e "$file" || e2e_fail "the next start left the killed run's export: $file"
e2e_wait_for 5 test ! -e "$(dirname "$file")" || e2e_fail "the killed run's folder stayed"
exports_left && e2e_fail "an export is left after the start"
echo "passed: no export outlived its use, the live copy's files stayed, the killed run's went"
