# What a capture records and reads: an owner that exits leaves no entry and its content stays
# pasteable; a file entry is snapshotted once however often it is pasted; a picture offered in
# four encodings is read once per encoding at most.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_corvana

open_featherpad
xdotool windowfocus --sync "$editor"
sleep 0.2

# The owner of "C" stays in the foreground (-quiet), so the test knows which process to end.
copy A
copy B
before=$(capture_count)
printf 'C' | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
owner=$!
wait_for 10 eval '[ "$(capture_count)" -gt "$before" ]' || fail "copy of C not captured"
emptied=$(grep -cE "The clipboard was emptied|owner went away" corvana.out || true)
kill "$owner"
wait_for 10 eval '[ "$(grep -cE "The clipboard was emptied|owner went away" corvana.out || true)" -gt "$emptied" ]' ||
    fail "the owner's exit was not seen"
wait_for 5 eval '[ "$(xclip -selection clipboard -o 2>/dev/null)" = C ]' ||
    fail "the clipboard was not taken back: '$(xclip -selection clipboard -o 2>&1)'"
xdotool key --delay 40 ctrl+v ctrl+v ctrl+v ctrl+v ctrl+s
wait_for 5 eval '[ "$(tr -d "\\n" <"$out")" = CBAA ]' || fail "the editor holds '$(cat "$out")', expected CBAA"
pass "an owner that exits records nothing; its content stays on the clipboard; pastes give CBAA"

temp=$(sed -n 's/^Temp dir path is: //p' corvana.err | tail -n 1)
mkdir files
for name in one two three; do head -c 200000 /dev/urandom >"files/$name.bin"; done
printf 'file://%s\n' "$PWD/files/one.bin" "$PWD/files/two.bin" "$PWD/files/three.bin" |
    xclip -selection clipboard -t text/uri-list -i
wait_for 10 eval '[ "$(find "$temp" -type f | wc -l)" -eq 3 ]' || fail "the three files were not snapshotted"
pastes=$(grep -c "END paste_from_corvana_clipboard()" corvana.out || true)
xdotool key --delay 40 ctrl+v ctrl+v ctrl+v
wait_for 5 eval '[ "$(grep -c "END paste_from_corvana_clipboard()" corvana.out)" -ge $((pastes + 3)) ]' ||
    fail "three pastes were not made"
[ "$(find "$temp" -type f | wc -l)" -eq 3 ] || fail "$(find "$temp" -type f | wc -l) files after three pastes, expected 3"
[ -z "$(find "$temp" -type f -perm /077)" ] || fail "a snapshot is readable by others"
xdotool key ctrl+alt+shift+h
copy "something else"
wait_for 5 eval '[ "$(find "$temp" -type f | wc -l)" -eq 0 ]' || fail "snapshots stay after the history was cleared"
pass "a three-file entry pasted three times keeps one private snapshot, removed with the entry"

before=$(capture_count)
"$E2E_PEER" offer-image requests.txt >offer.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 eval '[ "$(capture_count)" -gt "$before" ]' || fail "the offered picture was not captured"
wait_for 10 test -s data/images/image1.png || fail "no image saved"
for format in image/png image/jpeg image/bmp image/tiff; do
    count=$(awk -v f="$format" '$1 == f {print $2}' requests.txt)
    [ "${count:-0}" -le 1 ] || fail "$format requested ${count} times"
done
for format in image/bmp image/tiff; do
    grep -q "^$format " requests.txt && fail "$format was read though PNG was offered"
done
grep -q '^image/png 1$' requests.txt || fail "PNG not read: $(tr '\n' ' ' <requests.txt)"
pass "a picture in PNG, JPEG, BMP and TIFF: $(tr '\n' ' ' <requests.txt)"
stop_corvana || fail "corvana exited non-zero"
finish
