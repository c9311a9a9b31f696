# A file manager's copy of 20,000 files, 400 of them real and small: captured within seconds,
# corvana answers the next copy, the run's temporary folder gets the first 100 snapshots and no
# more, and the paste still names every file, the snapshots in the places of their originals.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_corvana
temp=$(sed -n 's/^Temp dir path is: //p' corvana.err | tail -n 1)
[ -d "$temp" ] || fail "no temporary folder"
open_keylog keylog
xdotool windowfocus --sync "$logger"

total=20000 cap=100
mkdir files
awk -v dir="$PWD/files" -v total=$total 'BEGIN {
    for (i = 0; i < total; i++) {
        name = dir "/" (i % 50 == 0 ? "real" : "missing") i ".txt"
        if (i % 50 == 0) { print "content " i > name; close(name) }
        printf "file://%s\r\n", name
    }
}' >list.txt

before=$(capture_count)
start=$(date +%s%N)
xclip -selection clipboard -t text/uri-list -i list.txt
wait_for 30 eval '[ "$(capture_count)" -gt "$before" ]' || fail "the copy of $total files was not captured"
capture_ms=$((($(date +%s%N) - start) / 1000000))
[ $capture_ms -lt 10000 ] || fail "the copy of $total files took $capture_ms ms to capture"
grep -q "A copy snapshots $cap files and 100 MB at most: $cap snapshotted, the last [0-9]* of the $total files are pasted as the originals" corvana.out ||
    fail "the limit was not logged"
start=$(date +%s%N)
copy "the next copy"
next_ms=$((($(date +%s%N) - start) / 1000000))
pass "$total files captured in $capture_ms ms; the next copy in $next_ms ms"

wait_for 60 grep -q "Snapshots of a copy done: $cap of $cap made" corvana.out || fail "the snapshots were not made"
snapshots=$(find "$temp" -type f | wc -l)
[ "$snapshots" -eq $cap ] || fail "$snapshots files in the temporary folder, expected $cap"

# Newest first: the text, then the files.
pastes=$(grep -c "END paste_from_corvana_clipboard()" corvana.out || true)
xdotool key --delay 100 ctrl+v ctrl+v
wait_for 20 eval '[ "$(grep -c "END paste_from_corvana_clipboard()" corvana.out)" -ge $((pastes + 2)) ]' ||
    fail "the two pastes were not made"
xclip -selection clipboard -o -t text/uri-list >pasted.txt || fail "the paste offers no file list"
[ "$(wc -l <pasted.txt)" -eq $total ] || fail "the paste names $(wc -l <pasted.txt) files, expected $total"
# Line by line: a snapshot (same name, same content) or the original as copied.
verdict=$(paste -d '\t' list.txt pasted.txt | tr -d '\r' | awk -F '\t' -v temp="file://$temp/" '
    $2 == $1 { kept++; next }
    index($2, temp) == 1 {
        n = split($1, a, "/"); m = split($2, b, "/")
        if (a[n] == b[m] && a[n] ~ /^real/) {
            print substr($1, 8) "\t" substr($2, 8) >"snapshots.tsv"
            snapshots++; next
        }
    }
    { bad = "line " NR " names " $2 " for " $1; exit }
    END { if (bad) print bad; else printf "%d %d\n", snapshots, kept }')
[ "$verdict" = "$cap $((total - cap))" ] || fail "the pasted list: $verdict"
while IFS=$'\t' read -r original snapshot; do
    cmp -s "$original" "$snapshot" || fail "$snapshot differs from $original"
done <snapshots.tsv
pass "$cap snapshots in the temporary folder; the paste names all $total files, $cap of them snapshots"

stop_corvana
finish
