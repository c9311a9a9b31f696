# A server without XTest and the generic events XInput2 needs (Xvfb cannot drop XInput itself),
# then a server that goes away: corvana runs on, and at the end saves its settings and removes
# its temporary folder.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin -extension "Generic Event Extension" -extension XTEST
start_corvana
copy "captured anyway"
kill -0 "$CORVANA_PID" 2>/dev/null || fail "corvana ended on a server without XTest"
pass "without XTest and generic events corvana keeps capturing"

# A clipboard owner that dies in the middle of being read.
logged_after "END copy_to_corvana_clipboard" "the change of owner was not seen" start_peer vanish
copy "after the vanished owner"
kill -0 "$CORVANA_PID" 2>/dev/null || fail "corvana ended after the owner vanished"
pass "an owner that vanishes mid-read records nothing and breaks nothing"

temp=$(temp_dir)
kill "$CORVANA_XVFB_PID"
CORVANA_XVFB_PID=""
# Qt ends the process with status 1 when its display goes.
await_corvana_exit 1
grep -q "X11 connection broke" corvana.err || fail "corvana ended without losing its display"
grep -qx 'IsFirstStart=false' "$CORVANA_SETTINGS_DIR/Corvana_settings.ini" || fail "settings not saved"
[ ! -e "$temp" ] || fail "temporary folder $temp left behind"
pass "when the display goes away corvana ends as Quit does"
finish
