# What was pasted last stays on the clipboard after Corvana quits when a clipboard manager runs
# (it is handed over through CLIPBOARD_MANAGER); a manager that never answers delays the quit by
# a bounded wait only.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin

"$E2E_PEER" clipboard-manager >manager.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q manager manager.out || fail "the clipboard manager did not start"
open_keylog keylog
start_corvana

# A paste makes Corvana the clipboard's owner.
paste_once() {
    local pastes
    pastes=$(grep -c "Ctrl+V" keys.log 2>/dev/null || true)
    xdotool windowfocus --sync "$logger"
    xdotool key ctrl+v
    wait_for 10 eval '[ "$(grep -c "Ctrl+V" keys.log 2>/dev/null || true)" -gt "${pastes:-0}" ]' ||
        fail "Ctrl+V never arrived"
}
copy "still here after quit"
paste_once
[ "$(xclip -o -selection clipboard)" = "still here after quit" ] || fail "the paste did not serve the entry"
stop_corvana
grep -q "kept still here after quit" manager.out || fail "the manager was not handed the entry"
[ "$(xclip -o -selection clipboard)" = "still here after quit" ] ||
    fail "after the quit the clipboard holds '$(xclip -o -selection clipboard 2>&1)'"
pass "after the quit the clipboard manager serves what was pasted last"

# A password manager's copy: text and the mark that tells clipboard tools not to record it. In
# either history, Corvana's paste and its hand-over at the quit carry the mark on, and the text is
# never logged or stored (this manager keeps only the text: taking it is no copy to record).
ini="$CORVANA_SETTINGS_DIR/Corvana_settings.ini"
printf 'secret' >mark.txt
for mode in rich plain; do
    [ "$mode" = plain ] && sed -i 's/^IsRichTextCopyEnabled=.*/IsRichTextCopyEnabled=false/' "$ini"
    printf 'pw-%s-%s' "$mode" "$RANDOM" >password.txt
    password=$(cat password.txt)
    start_corvana
    before=$(capture_count)
    "$E2E_PEER" offer text/plain=password.txt x-kde-passwordManagerHint=mark.txt >offer.out 2>&1 &
    PEER_PIDS+=($!)
    wait_for 20 eval '[ "$(capture_count)" -gt "$before" ]' || fail "$mode: the secret was not captured"
    paste_once
    [ "$(xclip -o -selection clipboard)" = "$password" ] || fail "$mode: the paste did not serve the secret"
    mark=$(xclip -o -selection clipboard -t x-kde-passwordManagerHint 2>&1)
    [ "$mark" = secret ] || fail "$mode: the pasted secret is served without its mark ('$mark')"
    marks=$(grep -c "^mark secret" manager.out || true)
    stop_corvana
    [ "$(grep -c "^mark secret" manager.out || true)" -gt "$marks" ] ||
        fail "$mode: the clipboard manager was handed the secret without its mark"
    found=$(grep -rlaF "$password" corvana.out corvana.err data)
    [ -z "$found" ] || fail "$mode: the secret was logged or stored in $found"
done
pass "a secret is pasted and handed over with its mark, in both histories"

# A manager that never answers: the quit waits its bound and no longer.
kill "${PEER_PIDS[0]}"
"$E2E_PEER" clipboard-manager silent >silent.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q manager silent.out || fail "the silent manager did not start"
start_corvana
copy "for the silent one"
paste_once
start=$(date +%s%N)
stop_corvana
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
grep -q asked silent.out || fail "the silent manager was never asked"
grep -q "the clipboard manager did not take the clipboard within" corvana.err ||
    fail "the unanswered handover is not reported"
[ "$(grep -c "did not take the clipboard within" corvana.err)" -eq 1 ] ||
    fail "the quit waited for the silent manager more than once"
[ "$elapsed_ms" -lt 3000 ] || fail "quitting took $elapsed_ms ms with a silent manager"
pass "a manager that never answers delays the quit by the bound only ($elapsed_ms ms in all)"
finish
