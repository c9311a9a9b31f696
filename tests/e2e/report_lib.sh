# Sourced by the end-to-end libraries (X11 and Wine): how a test reports and waits. The library
# that sources it defines e2e_end, which fail calls to clean up. Needs E2E_NAME and E2E_PASSED.

fail() {
    echo "FAIL: $E2E_NAME: $*"
    for log in corvana.out corvana.err; do
        [ -f "$log" ] && { echo "--- last lines of $log"; tail -n 25 "$log"; }
    done
    echo "$E2E_PASSED passed, 1 failed"
    e2e_end
    exit 1
}

pass() {
    E2E_PASSED=$((E2E_PASSED + 1))
    echo "ok: $*"
}

# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}
