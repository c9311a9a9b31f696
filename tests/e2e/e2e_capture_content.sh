# What a capture records and reads: an owner that exits leaves no entry and its content stays
# pasteable; a file entry is snapshotted once however often it is pasted; a picture offered in
# four encodings is read once per encoding at most; a file manager's copy of 20,000 files, 400
# of them real and small, is captured within seconds, corvana answers the next copy, the run's
# temporary folder gets the first 100 snapshots and no more, and the paste still names every
# file, the snapshots in the places of their originals.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_corvana

open_featherpad

# The owner of "C" stays in the foreground (-quiet), so the test knows which process to end.
copy A B
count_after capture_count 10 "copy of C not captured" \
    eval 'printf C | xclip -quiet -selection clipboard -i >/dev/null 2>&1 & owner=$!'
logged_after "The clipboard was emptied|owner went away" "the owner's exit was not seen" kill "$owner"
wait_for 5 eval '[ "$(xclip -selection clipboard -o 2>/dev/null)" = C ]' ||
    fail "the clipboard was not taken back: '$(xclip -selection clipboard -o 2>&1)'"
keys ctrl+v ctrl+v ctrl+v ctrl+v
expect_file CBAA
pass "an owner that exits records nothing; its content stays on the clipboard; pastes give CBAA"

temp=$(temp_dir)
mkdir files
for name in one two three; do head -c 200000 /dev/urandom >"files/$name.bin"; done
printf 'file://%s\n' "$PWD/files/one.bin" "$PWD/files/two.bin" "$PWD/files/three.bin" |
    xclip -selection clipboard -t text/uri-list -i
wait_for 10 eval '[ "$(find "$temp" -type f | wc -l)" -eq 3 ]' || fail "the three files were not snapshotted"
# pastes N KEYS...: presses the keys and waits for N more finished pastes.
pastes() { COUNT_GROWTH=$1 count_after 'log_count "END paste_from_corvana_clipboard"' 20 "$1 pastes were not made" xdotool key --delay 100 "${@:2}"; }
pastes 3 ctrl+v ctrl+v ctrl+v
[ "$(find "$temp" -type f | wc -l)" -eq 3 ] || fail "$(find "$temp" -type f | wc -l) files after three pastes, expected 3"
[ -z "$(find "$temp" -type f -perm /077)" ] || fail "a snapshot is readable by others"
xdotool key ctrl+alt+shift+h
copy "something else"
wait_for 5 eval '[ "$(find "$temp" -type f | wc -l)" -eq 0 ]' || fail "snapshots stay after the history was cleared"
pass "a three-file entry pasted three times keeps one private snapshot, removed with the entry"

# One picture in four encodings, as image editors and browsers offer it.
convert -size 640x480 gradient:orange-purple picture.png || fail "cannot make the picture"
for format in jpeg bmp tiff; do convert picture.png "picture.$format"; done
offer_and_wait image/png=picture.png image/jpeg=picture.jpeg image/bmp=picture.bmp image/tiff=picture.tiff

wait_for 10 eval 'compare -metric AE picture.png data/images/image1.png null: 2>/dev/null' ||
    fail "no image saved with the picture's pixels"
# PNG read once, JPEG once at most, BMP and TIFF never.
grep -q '^image/png 1$' offer-requests.txt && ! grep -qE '^image/(bmp|tiff) |^image/jpeg ([2-9]|[0-9]{2,})' offer-requests.txt ||
    fail "the picture's formats were read as: $(tr '\n' ' ' <offer-requests.txt)"
pass "a picture in PNG, JPEG, BMP and TIFF saved as it is: $(tr '\n' ' ' <offer-requests.txt)"

open_keylog keylog
total=20000 cap=100
mkdir many
awk -v dir="$PWD/many" -v total=$total 'BEGIN {
    for (i = 0; i < total; i++) {
        name = dir "/" (i % 50 == 0 ? "real" : "missing") i ".txt"
        if (i % 50 == 0) { print "content " i > name; close(name) }
        printf "file://%s\r\n", name
    }
}' >list.txt
start=$(date +%s%N)
count_after capture_count 30 "the copy of $total files was not captured" xclip -selection clipboard -t text/uri-list -i list.txt
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
pastes 2 ctrl+v ctrl+v
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

finish
