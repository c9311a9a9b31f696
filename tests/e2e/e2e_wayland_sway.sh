# Corvana on Wayland: a headless sway with the shipped docs/wayland/sway.conf, no XWayland,
# featherpad as the Wayland editor, wl-copy and wtype standing in for the user. sway refuses to
# run as root, so as root everything here runs as an unprivileged user of its own.
source "$CORVANA_SOURCE/tests/e2e/e2e_lib.sh"

[ -n "${E2E_WAYLAND_PEER:-}" ] || { echo "skipped: built without the Wayland backend"; exit 0; }
for tool in sway wl-copy wtype featherpad setpriv; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 0; }
done
user=$(id -un)
if [ "$(id -u)" = 0 ]; then
    user=corvana-e2e
    id "$user" >/dev/null 2>&1 ||
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user" || fail "no user for sway"
fi
# Everything the user touches lives here: the test's own folder is root's alone. The programs,
# the shipped snippet and the leak suppressions are where the sway user can run and read them
# whatever the clone's folder allows.
wl=$(mktemp -d /tmp/corvana-wayland.XXXXXX)
mkdir -p "$wl/bin" "$wl/home" "$wl/data" "$wl/settings"
cp "$CORVANA_BIN" "$E2E_WAYLAND_PEER" "$wl/bin/"
cp "$CORVANA_SOURCE/docs/wayland/sway.conf" "$CORVANA_SOURCE/tests/support/lsan.supp" "$wl/"
chown -R "$user" "$wl"
chmod 755 "$wl"
SWAY_PID=""
stop_private_x() { [ -z "$SWAY_PID" ] || stop_sway 2>/dev/null; rm -rf "$wl"; }

# start_sway XWAYLAND: sway with the snippet, its XWayland off (disable) or started at once
# (force), in a runtime folder of its own: what the last one left (its sockets, a lock a child
# of it may still hold) cannot get in the way. as_user COMMAND... then runs COMMAND as the sway
# user in its session, without X; in the background as "${as_user[@]}" COMMAND &, $! is
# COMMAND's own PID: all on the way execs.
start_sway() {
    run="$wl/run-$1"
    mkdir -m 700 "$run" && chown "$user" "$run"
    as_user=(env -i PATH="$wl/bin:/usr/bin:/bin" HOME="$wl/home" XDG_RUNTIME_DIR="$run"
        XDG_CONFIG_HOME="$wl/home/.config" XDG_DATA_HOME="$wl/home/.local/share"
        WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$run/sway.sock"
        CORVANA_SETTINGS_DIR="$wl/settings" CORVANA_DATA_DIR="$wl/data"
        ASAN_OPTIONS="fast_unwind_on_malloc=0:${ASAN_OPTIONS:-}"
        LSAN_OPTIONS="suppressions=$wl/lsan.supp:print_suppressions=0"
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")
    [ "$(id -u)" = 0 ] &&
        as_user=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${as_user[@]}")
    printf 'xwayland %s\noutput HEADLESS-1 resolution 1280x800\ninclude %s\n' "$1" \
        "$wl/sway.conf" >"$wl/session.conf"
    "${as_user[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$wl/session.conf" >>sway.log 2>&1 &
    SWAY_PID=$!
    # sway listens on $SWAYSOCK when it is set.
    wait_for 20 eval 'test -S "$run/wayland-1" && test -S "$run/sway.sock"' ||
        fail "sway did not start: $(tail -n 5 sway.log)"
}
stop_sway() {
    kill "$SWAY_PID" && wait "$SWAY_PID"
    SWAY_PID=""
}
as_user() { "${as_user[@]}" "$@"; }
# in_background COMMAND...: COMMAND as the sway user, ended with the test.
in_background() { "${as_user[@]}" "$@" & PEER_PIDS+=($!); }
quit_corvana() { as_user corvana --quit || fail "corvana --quit failed"; await_corvana_exit 0; }
# launch_corvana [VAR=VALUE...]: start_corvana's corvana is the sway user's, with these added.
launch_corvana() { "${as_user[@]}" "$@" corvana >>corvana.out 2>>corvana.err & CORVANA_PID=$!; }

start_sway disable
start_corvana
grep -q "Tray message: Corvana on Wayland" corvana.out && fail "the sway snippet is included, yet Corvana asks for it"
[ "$(log_count "no global shortcuts here|Failed to register hotkey")" = 1 ] ||
    fail "the shortcuts Wayland refuses are not said once: $(log_count "hotkey|shortcuts here") lines"
pass "Corvana starts on a Wayland session without XWayland and finds the snippet's binding"

# The first start shows the main window; once it is there, nothing of ours takes the focus later.
wait_for 20 eval 'as_user swaymsg -t get_tree | grep -q "\"name\": \"Corvana\""' ||
    fail "the first start showed no main window"

out="$wl/pasted.txt"
as_user touch "$out"
in_background QT_QPA_PLATFORM=wayland featherpad --standalone "$out" >featherpad.log 2>&1
# focused KEY TEXT: the focused window's KEY (app_id, name), the first one listed after its
# "focused": true, holds TEXT.
focused() { as_user swaymsg -t get_tree | awk -v key="\"$1\"" '/"focused": true/ {f = 1} f && index($0, key) {print; exit}' | grep -q "$2"; }
in_editor() { focused app_id '"featherpad"'; }
wait_for 20 eval 'as_user swaymsg "[app_id=featherpad] focus" >/dev/null 2>&1 && in_editor' ||
    fail "featherpad did not open or take the focus"

# The user's keys: Ctrl+V and the like from a keyboard with a PC's key codes, others by wtype.
keys() { as_user e2e_wayland_peer keys "$@"; }
# In the foreground of its own process, so it is ours to end; its output away from ctest's.
put_on_clipboard() { in_background wl-copy --foreground "$1" >/dev/null 2>&1; }
save_in_editor() { as_user wtype -M ctrl s -m ctrl; }
pasted='Carrying out the command "paste-next"'
# ctrl_v N: N Ctrl+V, each waited for.
ctrl_v() { for _ in $(seq "$1"); do logged_after "$pasted" "Ctrl+V did not reach Corvana" keys ctrl+v; done; }

copy A B C
ctrl_v 4
expect_file CBAA
pass "three copies in a Wayland session paste newest first through sway's Ctrl+V"

as_user corvana --switch-order || fail "--switch-order failed"
ctrl_v 4
expect_file CBAAABCC
pass "switched by --switch-order, the queue pastes oldest first"

copy {0..9}
COUNT_GROWTH=10 count_after "log_count $(printf %q "$pasted")" 20 "not all of ten quick Ctrl+V reached Corvana" \
    keys ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v
expect_file CBAAABCCC012345678
pass "ten Ctrl+V typed at once paste the queue in order, as ten slow ones do"

# A password manager's copy is pasted, with its mark, and kept nowhere.
in_background e2e_wayland_peer copy-secret S3CRET >/dev/null 2>&1
wait_for 10 grep -q "Secret content: queued, nothing stored" corvana.out corvana.err ||
    fail "the marked copy was not taken as a secret"
ctrl_v 2
wait_for 5 eval 'as_user wl-paste --list-types | grep -qx x-kde-passwordManagerHint' ||
    fail "the pasted secret is served without its mark"
expect_file CBAAABCCC0123456789S3CRET
pass "a marked copy from a Wayland program pastes with its mark"

# The popups open where the compositor puts them, take the keys, and paste into the editor.
as_user corvana --show-history || fail "--show-history failed"
wait_for 10 focused app_id com.tavrinlabs.Corvana || fail "the history popup did not take the focus"
as_user wtype -k Escape
wait_for 10 in_editor || fail "Escape did not close the history popup"
as_user corvana --show-autocomplete || fail "--show-autocomplete failed"
wait_for 10 focused app_id com.tavrinlabs.Corvana || fail "the autocomplete popup did not take the focus"
as_user wtype 7 -k Return
wait_for 10 in_editor || fail "the autocomplete popup kept the focus after its choice"
expect_file CBAAABCCC0123456789S3CRET7
pass "the history and autocomplete popups open on Wayland; the autocomplete's choice is pasted"

# A screenshot holds what sway shows, here an empty workspace's solid background, in the
# output's real pixels at its scales 1 and 2 (1280x800 either way); the points checked are away
# from the queue's indicator in the middle and the last save's balloon at the bottom right.
as_user swaymsg "workspace 9, output '*' bg '#3366cc' solid_color" >/dev/null || fail "sway took no background"
for scale in 1 2; do
    as_user swaymsg output HEADLESS-1 scale $scale >/dev/null || fail "sway took no scale $scale"
    logged_after "END print_screen" "--screenshot opened no capture window" as_user corvana --screenshot
    # By name: the queue's indicator, which is Corvana's too, may have the focus before.
    wait_for 10 focused name "Corvana capture" || fail "the capture window did not take the focus"
    logged_after "Image Saved" "Return saved no screenshot" as_user wtype -k Return
    shot=$(ls -t "$wl/home/Desktop"/*.png | head -n 1)
    [ "$(identify -format '%wx%h' "$shot")" = 1280x800 ] || fail "the screenshot at scale $scale is $(identify -format '%wx%h' "$shot")"
    for at in "0 0" "1279 0" "0 799"; do
        [ "$(pixel "$shot" $at)" = "#3366cc" ] || fail "the screenshot at scale $scale is $(pixel "$shot" $at) at $at"
    done
    # Gone before the next one, whose copy of the screen it would darken.
    wait_for 10 eval '! as_user swaymsg -t get_tree | grep -q "\"name\": \"Corvana capture\""' || fail "the capture window stayed after its save"
done
# The live zoom, which Wayland cannot give, says so.
[ "$(log_count "Live zoom is not available on this desktop")" = 1 ] || fail "the live zoom's absence is not said once"
pass "a screenshot on sway holds sway's background in real pixels; the live zoom says it is not available"

quit_corvana
! grep -rqs S3CRET "$wl/data" "$wl/settings" "$wl/home" || fail "the secret was stored: $(grep -rls S3CRET "$wl")"
pass "corvana --quit ends it cleanly, with the secret stored nowhere"

# With XWayland, Qt shows our windows through it, while the clipboard still goes over Wayland.
stop_sway
start_sway force
as_user swaymsg exec "printenv DISPLAY >$wl/display" >/dev/null
wait_for 20 test -s "$wl/display" || fail "sway's XWayland did not start"
start_corvana DISPLAY="$(cat "$wl/display")"
copy X
quit_corvana
pass "beside XWayland, Corvana starts, records a Wayland copy and quits cleanly"
finish
