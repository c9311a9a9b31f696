# Corvana on Wayland: a headless sway with the shipped docs/wayland/sway.conf, no XWayland,
# featherpad as the Wayland editor, wl-copy and wtype standing in for the user. sway refuses to
# run as root, so as root everything here runs as an unprivileged user of its own.
source "$CORVANA_SOURCE/tests/e2e/e2e_lib.sh"

for tool in sway wl-copy wl-paste wtype featherpad setpriv; do
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
mkdir -p "$wl/bin" "$wl/home" "$wl/run" "$wl/data" "$wl/settings"
cp "$CORVANA_BIN" "$wl/bin/corvana"
printf 'xwayland disable\noutput HEADLESS-1 resolution 1280x800\ninclude %s\n' "$CORVANA_SOURCE/docs/wayland/sway.conf" >"$wl/sway.conf"
chown -R "$user" "$wl"
chmod 755 "$wl"
chmod 700 "$wl/run"
SWAY_PID=""

e2e_end() {
    [ -n "$CORVANA_PID" ] && kill "$CORVANA_PID" 2>/dev/null
    for pid in "${PEER_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    [ -n "$SWAY_PID" ] && kill "$SWAY_PID" 2>/dev/null && wait "$SWAY_PID" 2>/dev/null
    rm -rf "$wl"
}

# as_user COMMAND...: runs COMMAND as the sway user in the Wayland session, without X.
as_user() {
    local ids=()
    [ "$(id -u)" = 0 ] && ids=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups)
    "${ids[@]}" env -i PATH="$wl/bin:/usr/bin:/bin" HOME="$wl/home" XDG_RUNTIME_DIR="$wl/run" \
        XDG_CONFIG_HOME="$wl/home/.config" XDG_DATA_HOME="$wl/home/.local/share" \
        WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$wl/run/sway.sock" \
        CORVANA_SETTINGS_DIR="$wl/settings" CORVANA_DATA_DIR="$wl/data" \
        ASAN_OPTIONS="fast_unwind_on_malloc=0:${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" \
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
        "$@"
}

as_user env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$wl/sway.conf" >sway.log 2>&1 &
SWAY_PID=$!
# sway listens on $SWAYSOCK when it is set.
wait_for 20 eval 'test -S "$wl/run/wayland-1" && test -S "$wl/run/sway.sock"' ||
    fail "sway did not start: $(tail -n 5 sway.log)"
as_user swaymsg -t get_binding_modes | grep -q corvana-paste || fail "sway.conf defines no corvana-paste mode"

CORVANA_ERR=corvana.err
as_user corvana >corvana.out 2>corvana.err &
CORVANA_PID=$!
wait_for 30 grep -q "Temp dir is valid" corvana.out || fail "corvana did not start on Wayland"
grep -q "Tray message: Corvana on Wayland" corvana.out && fail "the sway snippet is included, yet Corvana asks for it"
pass "Corvana starts on a Wayland session without XWayland, and finds sway's paste mode"

# The first start shows the main window; once it is there, nothing of ours takes the focus later.
wait_for 20 eval 'as_user swaymsg -t get_tree | grep -q "\"name\": \"Corvana\""' ||
    fail "the first start showed no main window"

out="$wl/pasted.txt"
as_user touch "$out"
as_user env QT_QPA_PLATFORM=wayland featherpad --standalone "$out" >featherpad.log 2>&1 &
PEER_PIDS+=($!)
# The focused window's app_id: the first one listed after its "focused": true.
focused_app() { as_user swaymsg -t get_tree | awk '/"focused": true/ {f = 1} f && /"app_id"/ {print; exit}'; }
focused() { focused_app | grep -q '"featherpad"'; }
wait_for 20 eval 'as_user swaymsg "[app_id=featherpad] focus" >/dev/null 2>&1 && focused' ||
    fail "featherpad did not open or take the focus"

keys() { as_user wtype "$@"; }
copy() {
    local before
    before=$(capture_count)
    as_user wl-copy "$1"
    wait_for 10 eval '[ "$(capture_count)" -gt "$before" ]' || fail "copy of '$1' not captured"
}
expect_file() {
    expected=$1
    keys -M ctrl s -m ctrl
    wait_for 5 eval '[ "$(tr -d "\\n" <"$out")" = "$expected" ]' ||
        fail "file holds '$(cat "$out")', expected '$expected'"
}
paste_count() { grep -c "Carrying out the command \"paste-next\"" corvana.out corvana.err | awk -F: '{s+=$2} END {print s}'; }
ctrl_v() {
    local before
    before=$(paste_count)
    keys -M ctrl v -m ctrl
    wait_for 10 eval '[ "$(paste_count)" -gt "$before" ]' || fail "Ctrl+V did not reach Corvana"
}

copy A
copy B
copy C
for i in 1 2 3 4; do ctrl_v; done
expect_file CBAA
pass "three copies in a Wayland session paste newest first through sway's Ctrl+V"

logged_after 'Carrying out the command "switch-order"' "Ctrl+Alt+/ did not reach Corvana" keys -M ctrl -M alt -k slash -m alt -m ctrl
for i in 1 2 3 4; do ctrl_v; done
expect_file CBAAABCC
pass "switched by the desktop's Ctrl+Alt+/, the queue pastes oldest first"

for digit in 0 1 2 3 4 5 6 7 8 9; do copy "$digit"; done
before=$(paste_count)
keys -M ctrl v v v v v v v v v v -m ctrl
wait_for 20 eval '[ "$(paste_count)" -ge "$((before + 10))" ]' || fail "not all of ten quick Ctrl+V reached Corvana"
expect_file CBAAABCCC012345678
pass "ten Ctrl+V typed at once paste the queue in order, as ten slow ones do"

as_user corvana --quit || fail "corvana --quit failed"
await_corvana_exit 0
pass "corvana --quit ends it cleanly"
finish
