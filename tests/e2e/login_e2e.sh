#!/usr/bin/env bash
# Starts the program in a real X server, types a wrong and then the right access password with
# the keyboard, and checks that the main window appears only after the right one. Screenshots
# of each window are left in the artifacts folder.
# Usage: login_e2e.sh VELARIUM_BINARY SHIPPED_STORE ARTIFACTS_DIR
set -euo pipefail

binary=$1
store=$2
artifacts=$3
for tool in Xvfb xdotool import openbox; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
mkdir -p "$artifacts"

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
app_pid=""
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A portable program folder of its own: the program and its first access store.
cp "$binary" "$work/Velarium"
cp "$store" "$work/unins000.dll"

display=""
for n in $(seq 90 120); do
    if [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]]; then
        display=":$n"
        break
    fi
done
[[ -n $display ]] || { echo "no free X display number"; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
# xdotool reports success even without a display: wait for the server's socket instead.
for _ in $(seq 100); do
    [[ -S /tmp/.X11-unix/X${display#:} ]] && break
    sleep 0.1
done

# A window manager, so that windows are activated and closed as on a desktop.
openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
sleep 0.5

# Waits until a visible window whose title matches the pattern exists; prints its id.
wait_window() {
    local pattern=$1
    for _ in $(seq 100); do
        local id
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "window '$pattern' did not appear" >&2
    return 1
}
visible() {
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1
}
shot() {
    import -window root "$artifacts/$1.png"
}
type_into() {
    local id=$1 text=$2
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
    xdotool type --delay 30 "$text"
    xdotool key Return
}

QT_QPA_PLATFORM=xcb "$work/Velarium" &
app_pid=$!

login=$(wait_window '^ Velarium 2\.0 - Autenticazione$')
sleep 0.3
shot 1-login
if visible '^ Velarium 2\.0$'; then
    echo "FAIL: the main window is visible before any password"
    exit 1
fi

type_into "$login" "sbagliata"
box=$(wait_window '^Velarium 2\.0$')
sleep 0.3
shot 2-wrong-password
if visible '^ Velarium 2\.0$'; then
    echo "FAIL: a wrong password opened the main window"
    exit 1
fi
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
xdotool key Return
for _ in $(seq 50); do visible '^Velarium 2\.0$' || break; sleep 0.1; done

type_into "$login" "Velarium"
main=$(wait_window '^ Velarium 2\.0$')
sleep 0.5
shot 3-main-window
if visible '^ Velarium 2\.0 - Autenticazione$'; then
    echo "FAIL: the login dialog stayed visible after the right password"
    exit 1
fi

# Closing the main window ends the whole program.
xdotool windowactivate --sync "$main"
xdotool key alt+F4
for _ in $(seq 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
    echo "FAIL: the program is still running after its main window was closed"
    exit 1
fi
app_pid=""
echo "passed: login refused a wrong password, accepted the right one, and the program ended"
