#!/usr/bin/env bash
# Shared by the end-to-end scripts: a real X server with a window manager, a portable program
# folder of the script's own, and ways to wait for what a person would see. Source it, then call
# e2e_start_desktop and e2e_stage_program.
#
# A script that cannot run here (a tool missing) exits 77, which CTest counts as skipped.

e2e_require() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "skipped: $tool is not installed"
            exit 77
        fi
    done
}

E2E_WORK=$(mktemp -d)
e2e_pids=()
e2e_cleanup_hooks=()
e2e_cleanup() {
    local hook pid
    for hook in "${e2e_cleanup_hooks[@]}"; do
        "$hook" || true
    done
    for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
        pid=${e2e_pids[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

# Waits for a condition (a command) for up to SECONDS, checking ten times a second.
e2e_wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 10))
    while ((tries-- > 0)); do
        if "$@"; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

e2e_fail() {
    # On standard error: a failure inside a command substitution must still be seen.
    echo "FAIL: $*" >&2
    [[ -n ${E2E_ARTIFACTS:-} ]] && import -window root "$E2E_ARTIFACTS/failure.png" 2>/dev/null
    exit 1
}

# Xvfb on a free display and openbox on it, so that windows are activated, minimised and
# closed as on a desktop.
e2e_start_desktop() {
    # The server picks a free display itself and writes its number: scripts running at the
    # same time never take the same one.
    Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$E2E_WORK/display" 2>/dev/null &
    e2e_pids+=($!)
    e2e_wait_for 30 test -s "$E2E_WORK/display" || e2e_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$E2E_WORK/display")"
    openbox --sm-disable >"$E2E_WORK/openbox.log" 2>&1 &
    e2e_pids+=($!)
    # The window manager is up once it owns the screen's manager selection.
    e2e_wait_for 30 e2e_wm_running || e2e_fail "openbox did not start: $(cat "$E2E_WORK/openbox.log")"
}
e2e_wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# A portable program folder of the script's own in $E2E_FOLDER: the program, its first access
# store and what it carries beside itself (the translations).
e2e_stage_program() {
    local binary=$1 store=$2
    E2E_FOLDER=$E2E_WORK/Velarium
    mkdir -p "$E2E_FOLDER"
    cp "$binary" "$E2E_FOLDER/Velarium"
    cp "$store" "$E2E_FOLDER/unins000.dll"
    local beside
    beside=$(dirname "$binary")
    [[ -d $beside/translations ]] && cp -r "$beside/translations" "$E2E_FOLDER/"
    return 0
}

# Starts the staged program on the real X server; its pid is in $E2E_APP.
e2e_start_program() {
    # From a folder of its own, where the file dialogs open first.
    (cd "$E2E_WORK" && QT_QPA_PLATFORM=xcb exec "$E2E_FOLDER/Velarium" "$@") &
    E2E_APP=$!
    e2e_pids+=("$E2E_APP")
}

e2e_find_window() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1
}
e2e_visible() {
    [[ -n $(e2e_find_window "$1") ]]
}
# Waits until a visible window whose title matches the pattern exists; prints its id.
e2e_wait_window() {
    local pattern=$1 id
    e2e_wait_for 15 e2e_visible "$pattern" || e2e_fail "window '$pattern' did not appear"
    id=$(e2e_find_window "$pattern")
    # Mapped is not yet drawn: wait until the window manager has made it the active one.
    e2e_wait_for 5 test "$(xdotool getactivewindow 2>/dev/null)" = "$id" ||
        xdotool windowactivate --sync "$id" 2>/dev/null || true
    echo "$id"
}
# Whether the window whose title matches goes away within SECONDS. A search can miss a window
# that is there while others come and go, so the window counts as gone only when five checks
# in a row do not find it.
e2e_goes_away() {
    local pattern=$1 tries=$(($2 * 10)) misses=0
    while ((tries-- > 0)); do
        if e2e_visible "$pattern"; then
            misses=0
        elif ((++misses >= 5)); then
            return 0
        fi
        sleep 0.1
    done
    return 1
}
e2e_wait_gone() {
    e2e_goes_away "$1" 15 || e2e_fail "window '$1' did not go away"
}
e2e_activate() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
}
e2e_shot() {
    [[ -n ${E2E_ARTIFACTS:-} ]] && import -window root "$E2E_ARTIFACTS/$1.png"
    return 0
}
e2e_type() {
    xdotool type --delay 30 "$1"
}
e2e_key() {
    xdotool key --delay 60 "$@"
}

# Types the access password into the login dialog and waits for the main window; prints its id.
e2e_log_in() {
    local login
    login=$(e2e_wait_window '^ Velarium 2\.0 - Autenticazione$')
    e2e_activate "$login"
    e2e_type "${1:-velarium}"
    e2e_key Return
    e2e_wait_window '^ Velarium 2\.0$'
}

# Sì (Alt+S) to a cipher command's question, then OK to each of its two reports.
e2e_answer_yes_and_both_reports() {
    local operation=$1 made=$2 report box
    e2e_wait_window "^Conferma $operation file\$" >/dev/null
    e2e_key alt+s
    for report in "^Termine creazione file $made\$" "^Operazione $operation file terminata\$"; do
        box=$(e2e_wait_window "$report")
        e2e_activate "$box"
        e2e_key Return
        e2e_wait_gone "$report"
    done
}
