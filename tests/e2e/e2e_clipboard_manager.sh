# What was pasted last stays on the clipboard after Corvana quits when a clipboard manager runs
# (it is handed over through CLIPBOARD_MANAGER); a manager that never answers delays the quit by
# a bounded wait only.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin

start_peer clipboard-manager
manager=$peer
wait_for 10 grep -q manager clipboard-manager.out || fail "the clipboard manager did not start"
open_keylog pastelog
start_corvana

# A paste makes Corvana the clipboard's owner.
paste_once() {
    focus "$logger"
    paste_into_keylog "*" xdotool key ctrl+v
}
copy "still here after quit"
paste_once
[ "$(xclip -o -selection clipboard)" = "still here after quit" ] || fail "the paste did not serve the entry"
stop_corvana
grep -q "kept still here after quit" clipboard-manager.out || fail "the manager was not handed the entry"
[ "$(xclip -o -selection clipboard)" = "still here after quit" ] ||
    fail "after the quit the clipboard holds '$(xclip -o -selection clipboard 2>&1)'"
pass "after the quit the clipboard manager serves what was pasted last"

# A password manager's copy: text and the mark that tells clipboard tools not to record it. In
# either history, Corvana's paste and its hand-over at the quit carry the mark on, and the text is
# never logged or stored (this manager keeps only the text: taking it is no copy to record).
printf 'secret' >mark.txt
for mode in rich plain; do
    [ "$mode" = plain ] && sed -i 's/^IsRichTextCopyEnabled=.*/IsRichTextCopyEnabled=false/' "$ini"
    printf 'pw-%s-%s' "$mode" "$RANDOM" >password.txt
    password=$(cat password.txt)
    start_corvana
    offer_and_wait text/plain=password.txt x-kde-passwordManagerHint=mark.txt
    paste_once
    [ "$(xclip -o -selection clipboard)" = "$password" ] || fail "$mode: the paste did not serve the secret"
    mark=$(xclip -o -selection clipboard -t x-kde-passwordManagerHint 2>&1)
    [ "$mark" = secret ] || fail "$mode: the pasted secret is served without its mark ('$mark')"
    count_after "grep -c '^mark secret' clipboard-manager.out" 10 \
        "$mode: the clipboard manager was handed the secret without its mark" stop_corvana
    found=$(grep -rlaF "$password" corvana.out corvana.err data)
    [ -z "$found" ] || fail "$mode: the secret was logged or stored in $found"
done
pass "a secret is pasted and handed over with its mark, in both histories"

# A manager that never answers: the quit waits its bound and no longer.
kill "$manager"
start_peer clipboard-manager silent
wait_for 10 grep -q manager clipboard-manager.out || fail "the silent manager did not start"
start_corvana
copy "for the silent one"
paste_once
start=$(date +%s%N)
stop_corvana
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
grep -q asked clipboard-manager.out || fail "the silent manager was never asked"
[ "$(grep -c "the clipboard manager did not take the clipboard within" corvana.err)" -eq 1 ] ||
    fail "the unanswered handover is not reported once: $(grep -c "did not take" corvana.err) times"
[ "$elapsed_ms" -lt 3000 ] || fail "quitting took $elapsed_ms ms with a silent manager"
pass "a manager that never answers delays the quit by the bound only ($elapsed_ms ms in all)"
finish
