# Shortcuts whose character needs Shift on this layout ("<" is Shift+comma, ">" Shift+period),
# and "<" on the extra ISO key that gives it unshifted.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_corvana

count() { grep -cx "$1" corvana.out || true; }

xdotool key ctrl+alt+shift+comma
wait_for 5 eval '[ "$(count "App::clipboard_history_go_back()")" -eq 1 ]' ||
    fail "Ctrl+Alt+< as Shift+comma did not act"
xdotool key ctrl+alt+less
wait_for 5 eval '[ "$(count "App::clipboard_history_go_back()")" -eq 2 ]' ||
    fail "Ctrl+Alt+< typed as less did not act"
pass "Ctrl+Alt+< acts typed as Shift+comma and as the keysym less"

xdotool key ctrl+alt+shift+period
wait_for 5 eval '[ "$(count "App::clipboard_history_go_forward()")" -eq 1 ]' ||
    fail "Ctrl+Alt+> as Shift+period did not act"
xdotool key ctrl+alt+comma
# Keys are handled in order: once the next Ctrl+Alt+> has acted, the comma has been seen.
xdotool key ctrl+alt+shift+period
wait_for 5 eval '[ "$(count "App::clipboard_history_go_forward()")" -eq 2 ]' ||
    fail "the second Ctrl+Alt+> did not act"
[ "$(count "App::clipboard_history_go_back()")" -eq 2 ] || fail "Ctrl+Alt+comma acted as Ctrl+Alt+<"
pass "Ctrl+Alt+> needs its Shift, and the unshifted key does not act"
stop_corvana || fail "corvana exited non-zero"
finish
