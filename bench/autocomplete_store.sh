# The autocomplete store and popup at 100,000 and 1,000,000 texts, and at 100,000 with 180 of
# them 200 KB long (which the store keeps on disk), beside a straightforward implementation
# measured in the same run. Offscreen, so no desktop's timing gets in the way.
set -euo pipefail
bench="$CORVANA_BUILD/bench/autocomplete_bench"
work=$(mktemp -d "${TMPDIR:-/tmp}/corvana-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
# Each size is N, or N+L for N texts of which L are 200 KB long.
for size_spec in ${AUTOCOMPLETE_SIZES:-100000 1000000 100000+180}; do
    n=${size_spec%+*}
    large=0
    [ "$n" != "$size_spec" ] && large=${size_spec#*+}
    "$bench" generate "$n" "$work/store.json" "$large"
    size=$(stat -c %s "$work/store.json")
    label="$n texts"
    [ "$large" -gt 0 ] && label="$n texts, $large of 200 KB"
    echo "== $label, file $((size / 1000000)) MB"
    cp "$work/store.json" "$work/ours.json"
    cp "$work/store.json" "$work/plain.json"
    # Figures are the lines starting with @; the rest is the program's own log.
    "$bench" ours "$work/ours.json" 2>/dev/null | sed -n 's/^@ //p' >"$work/ours.txt"
    "$bench" plain "$work/plain.json" 2>/dev/null | sed -n 's/^@ //p' >"$work/plain.txt"
    # Figures by name: each side prints only those it has.
    printf '%-22s %12s %12s %10s\n' figure ours plain "plain/ours"
    awk 'NR == FNR { value[$1] = $2; unit[$1] = $3; next }
         ($1 in value) { ratio = ($2 > 0) ? value[$1] / $2 : 0
                         printf "%-22s %9.2f %-2s %9.2f %-2s %9.1fx\n", $1, $2, $3, value[$1], unit[$1], ratio }' \
        "$work/plain.txt" "$work/ours.txt"
    awk -v label="$label" 'NR == FNR { value[$1] = $2; unit[$1] = $3; next }
         ($1 in value) { printf "TABLE| autocomplete %s, %s | %.2f %s | %.2f %s straightforward store | %.2f |\n", $1, label, $2, $3, value[$1], unit[$1], (value[$1] > 0) ? $2 / value[$1] : 0 }' \
        "$work/plain.txt" "$work/ours.txt"
done
