# Ten quick pastes into real programs (featherpad, mousepad, l3afpad, Chromium) at several key
# rates and in both orders: whether the program got 0123456789, and how long each paste key was
# held for the paste before it. PASTE_DELAYS and PASTE_PROGRAMS narrow the table.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" != --inside ]; then
    export CORVANA_BIN="$CORVANA_BUILD/project/corvana" E2E_PEER="$CORVANA_BUILD/tests/e2e/e2e_peer"
    export CORVANA_SOURCE="$root"
    exec "$root/tests/support/run-isolated.sh" bash "$root/bench/paste_programs.sh" --inside
fi

source "$root/tests/e2e/e2e_lib.sh"
source "$root/tests/e2e/paste_programs_lib.sh"
# A wrong result is a figure here, not the end of the run.
ROUND_ERROR=""
fail() {
    ROUND_ERROR="$*"
    return 1
}

e2e_begin
start_corvana
printf '%-11s %5s %-9s %-7s %6s %9s %8s\n' program delay_ms order result held held_mean_ms held_max_ms
rounds=0 right=0
for program in ${PASTE_PROGRAMS:-featherpad mousepad l3afpad chromium}; do
    open_program "$program"
    for delay in ${PASTE_DELAYS:-0 2 10 50}; do
        for order in forward backward; do
            ROUND_ERROR=""
            lines_before=$(wc -l <corvana.err)
            paste_round "$program" "$delay" "$order"
            # Holds of this round only; the first press of a round is never held.
            read -r held mean longest < <(tail -n +"$((lines_before + 1))" corvana.err |
                grep -o 'paste key held [0-9]*' |
                awk '{ n++; s += $4; if ($4 > m) m = $4 } END { printf "%d %.1f %d\n", n, n ? s / n : 0, m }')
            result=right
            [ -n "$ROUND_ERROR" ] && result=wrong
            rounds=$((rounds + 1))
            [ "$result" = right ] && right=$((right + 1))
            printf '%-11s %5s %-9s %-7s %6s %9s %8s\n' "$program" "$delay" "$order" "$result" \
                "$held" "$mean" "$longest"
            [ -n "$ROUND_ERROR" ] && echo "    ${ROUND_ERROR#*: }"
        done
    done
done
# No tool to measure against here: the figure is whether each program got what was pasted.
printf 'TABLE| ten quick pastes into real programs, rounds arriving whole | %d | %d (every round) | %s |\n' \
    "$right" "$rounds" "$(awk -v a="$right" -v b="$rounds" 'BEGIN {printf "%.2f", b ? a / b : 0}')"
finish >/dev/null
