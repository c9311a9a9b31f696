# Clipboard managers read every new clipboard owner, us included. Their requests must neither
# let a held paste go early nor change what the program pasted into gets.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/paste_programs_lib.sh"
e2e_begin
start_corvana

programs=(featherpad mousepad l3afpad chromium)
for program in "${programs[@]}"; do open_program "$program"; done

start_manager() {
    case $1 in
    copyq)
        copyq >copyq.log 2>&1 &
        MANAGER_PID=$!
        wait_for 30 eval 'copyq eval "version()" >/dev/null 2>&1' || fail "copyq did not start" ;;
    parcellite | clipit)
        local program=$1
        # Debian's clipit command only announces ClipIt's retirement; the program is clipit.real.
        [ "$program" = clipit ] && program=clipit.real
        "$program" -n >"$1.log" 2>&1 &
        MANAGER_PID=$!
        MANAGER_CLASS=$1
        wait_for 30 eval 'xdotool search --class "$MANAGER_CLASS" >/dev/null 2>&1' ||
            fail "$1 did not start" ;;
    esac
    PEER_PIDS+=("$MANAGER_PID")
    # It reads the clipboard as it is now; let that settle before the round starts.
    copy settled
}

stop_manager() {
    [ "$1" = copyq ] && copyq exit >/dev/null 2>&1
    kill "$MANAGER_PID" 2>/dev/null
    wait "$MANAGER_PID" 2>/dev/null
}

for manager in copyq parcellite clipit; do
    start_manager "$manager"
    for program in "${programs[@]}"; do
        paste_round "$program" 2 forward
        pass "$program beside $manager: ten Ctrl+V 2 ms apart paste 0..9"
    done
    stop_manager "$manager"
done
finish
