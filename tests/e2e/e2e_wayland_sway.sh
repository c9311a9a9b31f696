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
# Everything the user touches lives here: the test's own folder is root's alone.
wl=$(mktemp -d /tmp/corvana-wayland.XXXXXX)
mkdir -p "$wl/bin" "$wl/home" "$wl/data" "$wl/settings"
cp "$CORVANA_BIN" "$wl/bin/corvana"
# The shipped snippet and the leak suppressions, where the sway user can read them whatever the
# clone's folder allows.
cp "$CORVANA_SOURCE/docs/wayland/sway.conf" "$wl/corvana-sway.conf"
cp "$CORVANA_SOURCE/tests/support/lsan.supp" "$wl/lsan.supp"
cp "$E2E_WAYLAND_PEER" "$wl/bin/e2e_wayland_peer"
chown -R "$user" "$wl"
chmod 755 "$wl"
SWAY_PID=""

e2e_end() {
    [ -n "$CORVANA_PID" ] && kill "$CORVANA_PID" 2>/dev/null
    for pid in "${PEER_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    [ -n "$SWAY_PID" ] && kill "$SWAY_PID" 2>/dev/null && wait "$SWAY_PID" 2>/dev/null
    rm -rf "$wl"
}

# as_user COMMAND...: runs COMMAND as the sway user in the Wayland session, without X. Started
# in the background as "${as_user[@]}" COMMAND &, $! is COMMAND's own PID: all on the way execs.
set_user_session() {
    as_user=(env -i PATH="$wl/bin:/usr/bin:/bin" HOME="$wl/home" XDG_RUNTIME_DIR="$run"
        XDG_CONFIG_HOME="$wl/home/.config" XDG_DATA_HOME="$wl/home/.local/share"
        WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$run/sway.sock"
        CORVANA_SETTINGS_DIR="$wl/settings" CORVANA_DATA_DIR="$wl/data"
        ASAN_OPTIONS="fast_unwind_on_malloc=0:${ASAN_OPTIONS:-}"
        LSAN_OPTIONS="suppressions=$wl/lsan.supp:print_suppressions=0"
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")
    [ "$(id -u)" = 0 ] &&
        as_user=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${as_user[@]}")
}
as_user() { "${as_user[@]}" "$@"; }

# start_sway XWAYLAND: sway with the snippet, its XWayland off (disable) or started at once (force).
start_sway() {
    # A runtime folder of its own: what the last one left (its sockets, a lock a child of it may
    # still hold) cannot get in the way.
    run="$wl/run-$1"
    mkdir -m 700 "$run" && chown "$user" "$run"
    set_user_session
    printf 'xwayland %s\noutput HEADLESS-1 resolution 1280x800\ninclude %s\n' "$1" \
        "$wl/corvana-sway.conf" >"$wl/sway.conf"
    "${as_user[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$wl/sway.conf" >>sway.log 2>&1 &
    SWAY_PID=$!
    # sway listens on $SWAYSOCK when it is set.
    wait_for 20 eval 'test -S "$run/wayland-1" && test -S "$run/sway.sock"' ||
        fail "sway did not start: $(tail -n 5 sway.log)"
}
stop_sway() {
    kill "$SWAY_PID" && wait "$SWAY_PID"
    SWAY_PID=""
}

start_sway disable

CORVANA_ERR=corvana.err
"${as_user[@]}" corvana >corvana.out 2>corvana.err &
CORVANA_PID=$!
wait_for 30 grep -q "Temp dir is valid" corvana.out || fail "corvana did not start on Wayland"
grep -q "Tray message: Corvana on Wayland" corvana.out && fail "the sway snippet is included, yet Corvana asks for it"
[ "$(log_count "no global shortcuts here|Failed to register hotkey")" = 1 ] ||
    fail "the shortcuts Wayland refuses are not said once: $(log_count "hotkey|shortcuts here") lines"
pass "Corvana starts on a Wayland session without XWayland and finds the snippet's binding"

# The first start shows the main window; once it is there, nothing of ours takes the focus later.
wait_for 20 eval 'as_user swaymsg -t get_tree | grep -q "\"name\": \"Corvana\""' ||
    fail "the first start showed no main window"

out="$wl/pasted.txt"
as_user touch "$out"
"${as_user[@]}" QT_QPA_PLATFORM=wayland featherpad --standalone "$out" >featherpad.log 2>&1 &
PEER_PIDS+=($!)
# focused_line KEY: the focused window's KEY (app_id, name), the first one listed after its
# "focused": true.
focused_line() { as_user swaymsg -t get_tree | awk -v key="\"$1\"" '/"focused": true/ {f = 1} f && index($0, key) {print; exit}'; }
focused_app() { focused_line app_id; }
focused() { focused_app | grep -q '"featherpad"'; }
wait_for 20 eval 'as_user swaymsg "[app_id=featherpad] focus" >/dev/null 2>&1 && focused' ||
    fail "featherpad did not open or take the focus"

# The user's keys: Ctrl+V and the like from a keyboard with a PC's key codes, others by wtype.
keys() { as_user e2e_wayland_peer keys "$@"; }
put_on_clipboard() {
    # In the foreground of its own process, so it is ours to end; its output away from ctest's.
    "${as_user[@]}" wl-copy --foreground "$1" >/dev/null 2>&1 &
    PEER_PIDS+=($!)
}
save_in_editor() { as_user wtype -M ctrl s -m ctrl; }
pasted='Carrying out the command "paste-next"'
ctrl_v() { logged_after "$pasted" "Ctrl+V did not reach Corvana" keys ctrl+v; }

copy A
copy B
copy C
for i in 1 2 3 4; do ctrl_v; done
expect_file CBAA
pass "three copies in a Wayland session paste newest first through sway's Ctrl+V"

as_user corvana --switch-order || fail "--switch-order failed"
for i in 1 2 3 4; do ctrl_v; done
expect_file CBAAABCC
pass "switched by --switch-order, the queue pastes oldest first"

for digit in 0 1 2 3 4 5 6 7 8 9; do copy "$digit"; done
before=$(log_count "$pasted")
keys ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v ctrl+v
wait_for 20 eval '[ "$(log_count "$pasted")" -ge "$((before + 10))" ]' || fail "not all of ten quick Ctrl+V reached Corvana"
expect_file CBAAABCCC012345678
pass "ten Ctrl+V typed at once paste the queue in order, as ten slow ones do"

# A password manager's copy is pasted, with its mark, and kept nowhere.
"${as_user[@]}" e2e_wayland_peer copy-secret S3CRET >/dev/null 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q "Secret content: queued, nothing stored" corvana.out corvana.err ||
    fail "the marked copy was not taken as a secret"
ctrl_v
ctrl_v
wait_for 5 eval 'as_user wl-paste --list-types | grep -qx x-kde-passwordManagerHint' ||
    fail "the pasted secret is served without its mark"
expect_file CBAAABCCC0123456789S3CRET
pass "a marked copy from a Wayland program pastes with its mark"

# The popups open where the compositor puts them, take the keys, and paste into the editor.
as_user corvana --show-history || fail "--show-history failed"
wait_for 10 eval 'focused_app | grep -q com.tavrinlabs.Corvana' || fail "the history popup did not take the focus"
as_user wtype -k Escape
wait_for 10 focused || fail "Escape did not close the history popup"
as_user corvana --show-autocomplete || fail "--show-autocomplete failed"
wait_for 10 eval 'focused_app | grep -q com.tavrinlabs.Corvana' || fail "the autocomplete popup did not take the focus"
as_user wtype 7
as_user wtype -k Return
wait_for 10 focused || fail "the autocomplete popup kept the focus after its choice"
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
    wait_for 10 eval 'focused_line name | grep -q "Corvana capture"' || fail "the capture window did not take the focus"
    logged_after "Image Saved" "Return saved no screenshot" as_user wtype -k Return
    shot=$(ls -t "$wl/home/Desktop"/*.png | head -n 1)
    [ "$(identify -format '%wx%h' "$shot")" = 1280x800 ] || fail "the screenshot at scale $scale is $(identify -format '%wx%h' "$shot")"
    for at in "0 0" "1279 0" "0 799"; do
        [ "$(pixel "$shot" $at)" = "#3366cc" ] || fail "the screenshot at scale $scale is $(pixel "$shot" $at) at $at"
    done
done
# The live zoom, which Wayland cannot give, says so.
[ "$(log_count "Live zoom is not available on this desktop")" = 1 ] || fail "the live zoom's absence is not said once"
pass "a screenshot on sway holds sway's background in real pixels; the live zoom says it is not available"

as_user corvana --quit || fail "corvana --quit failed"
await_corvana_exit 0
! grep -rqs S3CRET "$wl/data" "$wl/settings" "$wl/home" || fail "the secret was stored: $(grep -rls S3CRET "$wl")"
pass "corvana --quit ends it cleanly, with the secret stored nowhere"

# With XWayland, Qt shows our windows through it, while the clipboard still goes over Wayland.
stop_sway
start_sway force
as_user swaymsg exec "printenv DISPLAY >$wl/display" >/dev/null
wait_for 20 test -s "$wl/display" || fail "sway's XWayland did not start"
CORVANA_ERR_FROM=$(stat -c %s corvana.err)
"${as_user[@]}" DISPLAY="$(cat "$wl/display")" corvana >>corvana.out 2>>corvana.err &
CORVANA_PID=$!
wait_for 30 eval '[ "$(grep -c "Temp dir is valid" corvana.out)" = 2 ]' || fail "corvana did not start beside XWayland"
copy X
as_user corvana --quit || fail "corvana --quit failed"
await_corvana_exit 0
pass "beside XWayland, Corvana starts, records a Wayland copy and quits cleanly"
finish
