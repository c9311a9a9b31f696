# Start-up, single instance, clipboard images and an orderly end on SIGTERM.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin --tray
start_corvana
window=$(xdotool search --onlyvisible --name '^Corvana$' | head -n 1)
[ -n "$window" ] || fail "the first start does not show the main window"
xdotool windowunmap --sync "$window"

start=$(date +%s%N)
"$CORVANA_BIN" >second.out 2>&1
rc=$?
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ $rc -eq 0 ] || fail "second start exited with $rc"
report=$(sanitizer_report second.out)
[ -z "$report" ] || fail "sanitizer report from the second start: $report"
[ $elapsed_ms -lt 1500 ] || fail "second start took $elapsed_ms ms"
kill -0 "$CORVANA_PID" 2>/dev/null || fail "the first instance ended"
wait_for 5 eval 'xdotool search --onlyvisible --name "^Corvana$" >/dev/null' ||
    fail "the running instance did not show itself"
pass "a second start exits 0 in $elapsed_ms ms; the first keeps running and shows itself"

"$E2E_PEER" make-image sample.png || fail "cannot make the sample image"
xclip -selection clipboard -t image/png -i sample.png
wait_for 10 test -s data/images/image1.png || fail "images/image1.png did not appear"
sleep 0.2
"$E2E_PEER" compare-images sample.png data/images/image1.png || fail "image pixels differ"
[ "$(stat -c %a data/images)" = 700 ] || fail "images/ is readable by others"
pass "a copied PNG is saved as images/image1.png with the same pixels"

temp=$(sed -n 's/^Temp dir path is: //p' corvana.err | tail -n 1)
[ -n "$temp" ] && [ -d "$temp/curr" ] || fail "no temporary folder reported"
stop_corvana || fail "corvana exited non-zero after SIGTERM"
ini="$CORVANA_SETTINGS_DIR/Corvana_settings.ini"
[ -f "$ini" ] || fail "no settings file"
grep -qx 'IsFirstStart=false' "$ini" || fail "IsFirstStart not saved"
grep -qx 'SaveVersion=2' "$ini" || fail "SaveVersion not saved"
[ "$(grep -c '=' "$ini")" -eq 19 ] || fail "settings file does not hold 19 keys"
[ ! -e "$temp" ] || fail "temporary folder $temp left behind"
pass "SIGTERM saves the settings and removes the temporary folder"

for signal in INT HUP; do
    start_corvana
    temp=$(sed -n 's/^Temp dir path is: //p' corvana.err | tail -n 1)
    stop_corvana "$signal"
    [ ! -e "$temp" ] || fail "SIG$signal left $temp behind"
done
pass "SIGINT and SIGHUP end it the same way"
finish
