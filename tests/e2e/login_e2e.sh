#!/usr/bin/env bash
# Starts the program in a real X server, types a wrong and then the right access password with
# the keyboard, and checks that the main window appears only after the right one. Screenshots
# of each window are left in the artifacts folder.
# Usage: login_e2e.sh VELARIUM_BINARY SHIPPED_STORE ARTIFACTS_DIR
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_require Xvfb xdotool xprop import openbox
E2E_ARTIFACTS=$3
mkdir -p "$E2E_ARTIFACTS"
e2e_start_desktop
e2e_stage_program "$1" "$2"
e2e_start_program

login=$(e2e_wait_window '^ Velarium 2\.0 - Autenticazione$')
e2e_shot 1-login
e2e_visible '^ Velarium 2\.0$' && e2e_fail "the main window is visible before any password"

e2e_activate "$login"
e2e_type "sbagliata"
e2e_key Return
box=$(e2e_wait_window '^Velarium 2\.0$')
e2e_shot 2-wrong-password
e2e_visible '^ Velarium 2\.0$' && e2e_fail "a wrong password opened the main window"
e2e_activate "$box"
e2e_key Return
e2e_wait_gone '^Velarium 2\.0$'

main=$(e2e_log_in "Velarium")
e2e_shot 3-main-window
e2e_visible '^ Velarium 2\.0 - Autenticazione$' &&
    e2e_fail "the login dialog stayed visible after the right password"

# Closing the main window ends the whole program.
e2e_activate "$main"
e2e_key alt+F4
e2e_wait_for 10 bash -c "! kill -0 $E2E_APP 2>/dev/null" ||
    e2e_fail "the program is still running after its main window was closed"
echo "passed: login refused a wrong password, accepted the right one, and the program ended"
