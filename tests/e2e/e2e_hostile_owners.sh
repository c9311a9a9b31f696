# Clipboard owners that name files nobody should read, send without end, drip, stay silent, list
# 200,000 formats, or offer a picture whose header claims gigabytes; and a program that leaves a
# large paste half read. After each one corvana still pastes what is copied next, and its memory
# and the disk it writes to have not grown.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
# Memory is judged by what corvana holds: without this the sanitizer keeps freed blocks resident
# in its quarantine (256 MB) and a transfer that was read and thrown away would count.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0"
start_corvana
temp=$(temp_dir)
[ -d "$temp" ] || fail "no temporary folder"

open_keylog pastelog paste.log

memory_kb() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$CORVANA_PID/status"; }
disk_kb() { du -sk data "$temp" | awk '{sum += $1} END {print sum}'; }
unread_count() { grep -c "could not be read, nothing recorded" corvana.out || true; }

# still_pastes LABEL: with the queue emptied, a plain copy is captured and pasted as it is.
still_pastes() {
    logged_after "App::clear_clipboard_history" "the history was not cleared" xdotool key ctrl+alt+shift+h
    copy "after $1"
    paste_into_keylog "after $1" xdotool key ctrl+v
}

# unchanged LABEL RSS_BEFORE DISK_BEFORE: memory within 40 MB, disk within 1 MB of before.
unchanged() {
    local rss disk
    rss=$(memory_kb VmRSS) disk=$(disk_kb)
    echo "$1: resident memory $2 -> $rss kB, disk $3 -> $disk kB"
    [ $((rss - $2)) -lt 40000 ] || fail "$1: memory grew from $2 kB to $rss kB"
    [ $((disk - $3)) -lt 1024 ] || fail "$1: disk use grew from $3 kB to $disk kB"
}

# Files that must never be read: a FIFO (opening it blocks), a device (endless), a socket, a link
# to a device and a kernel file that says size 0 and reads out gigabytes; and one real file.
mkfifo pipe
(exec 3>pipe && touch pipe.opened) &
PEER_PIDS+=($!)
perl -MIO::Socket::UNIX -e 'IO::Socket::UNIX->new(Local => "sock", Listen => 1) or exit 1' ||
    fail "cannot make the socket"
ln -s /dev/zero zero.link
printf 'real content' >real.txt
printf 'file://%s\r\n' "$PWD/pipe" /dev/zero "$PWD/sock" "$PWD/zero.link" /proc/self/pagemap "$PWD/real.txt" >list.txt
{ printf 'copy'; printf '\nfile://%s' "$PWD/pipe" /dev/zero /proc/self/pagemap "$PWD/real.txt"; } >gnome.txt
rss=$(memory_kb VmRSS) disk=$(disk_kb)
offer_and_wait text/uri-list=list.txt x-special/gnome-copied-files=gnome.txt
# The real file's snapshot is the last copy made: everything before it has been decided.
wait_for 10 eval '[ "$(find "$temp" -type f | wc -l)" -eq 1 ]' || fail "the real file was not snapshotted"
snapshot=$(find "$temp" -type f)
[ "$(cat "$snapshot")" = "real content" ] || fail "the snapshot holds '$(cat "$snapshot")'"
[ -e pipe.opened ] && fail "the FIFO was opened"
unchanged "files that must not be read" "$rss" "$disk"

logged_after "END paste_from_corvana_clipboard" "the file entry was not pasted" xdotool key ctrl+v
gnome=$(xclip -selection clipboard -o -t x-special/gnome-copied-files)
uris=$(xclip -selection clipboard -o -t text/uri-list | tr -d '\r')
[ "$(printf '%s' "$gnome" | tail -n 1)" = "file://$snapshot" ] ||
    fail "x-special/gnome-copied-files names '$(printf '%s' "$gnome" | tail -n 1)', not the snapshot"
[ "$(printf '%s' "$gnome" | head -n 2)" = "$(printf 'copy\nfile://%s' "$PWD/pipe")" ] ||
    fail "the rest of the GTK list changed: $gnome"
[ "$(printf '%s\n' "$uris" | tail -n 1)" = "file://$snapshot" ] || fail "text/uri-list: $uris"
pass "FIFO, device, socket, link, kernel file left unread; the real file's snapshot is what a file manager pastes"
still_pastes "the files"
pass "still pastes after the files"

# A picture with links to files: the links are never opened into the images folder either.
convert -size 64x48 gradient:red-blue sample.png || fail "cannot make the sample image"
printf 'file://%s\n' "$PWD/pipe" /dev/zero /proc/self/pagemap >image-list.txt
rss=$(memory_kb VmRSS) disk=$(disk_kb)
offer_and_wait image/png=sample.png text/uri-list=image-list.txt
wait_for 10 grep -q "Not copied into the images folder: /proc/self/pagemap" corvana.out ||
    fail "the picture's links were not all decided"
grep -q "Not copied into the images folder: $PWD/pipe is not a regular file" corvana.out ||
    fail "the FIFO was not refused"
[ -z "$(ls -A data/images 2>/dev/null)" ] || fail "the images folder holds: $(ls data/images)"
[ -e pipe.opened ] && fail "the FIFO was opened"
unchanged "a picture linking to a FIFO and a device" "$rss" "$disk"
still_pastes "the picture's links"
pass "a picture linking to a FIFO, /dev/zero and a kernel file: nothing opened, nothing saved"

# A BMP whose header claims 15000 x 15000 pixels (900 MB decoded; Qt itself refuses more than 16384 x 16384), with no pixels behind it.
# Header, info header (1 plane, 24 bits, no compression), 946 zero bytes: 1000 bytes in all.
perl -e 'print "BM", pack("V3 V3 v2 V6", 1000, 0, 54, 40, 15000, 15000, 1, 24, 0, 0, 2835, 2835, 0, 0),
    "\0" x 946' >huge.bmp
peak=$(memory_kb VmPeak) rss=$(memory_kb VmRSS) disk=$(disk_kb)
offer_and_wait image/bmp=huge.bmp
[ $(($(memory_kb VmPeak) - peak)) -lt 100000 ] || fail "the peak of memory grew from $peak kB to $(memory_kb VmPeak) kB"
grep -q "image/bmp (a picture of 15000 x 15000 pixels is larger" corvana.out ||
    fail "the huge picture was not refused by its size"
unchanged "a BMP claiming 15000 x 15000" "$rss" "$disk"
still_pastes "the huge picture"
pass "a BMP claiming 15000 x 15000 pixels is refused before decoding"

# hostile MODE [ARG...]: an owner that misbehaves; the capture gives up (or, from the owner of many
# formats, ends) within its deadline, and memory and disk are as they were.
hostile() {
    local word=asked counter=unread_count before started
    [ "$1" = many-targets ] && word=listed counter=capture_count
    before=$($counter) unread=$(unread_count)
    rss=$(memory_kb VmRSS) disk=$(disk_kb)
    start_peer "$@"
    wait_for 30 grep -q $word "$1.out" || fail "corvana never asked the $1 owner"
    started=$(date +%s%N)
    wait_for 20 eval '[ "$($counter)" -gt "$before" ]' || fail "the capture from the $1 owner never ended"
    elapsed=$((($(date +%s%N) - started) / 1000000))
    [ "$elapsed" -lt 3500 ] || fail "the capture from the $1 owner took $elapsed ms"
    unchanged "the $1 owner" "$rss" "$disk"
}
for mode in drip flood silent; do
    hostile $mode
    still_pastes "the $mode owner"
    pass "$mode owner: given up after $elapsed ms ($(grep -c '^part' "$mode.out" || true) parts), still pastes"
done

# A program asks for a large paste twice into one window, reads one copy in slow parts and
# leaves the other: giving up the unread one does not stop the one still being read.
head -c 1500000 /dev/zero | tr '\0' x >large.txt
copy_file large.txt UTF8_STRING
paste_into_keylog "*" xdotool key ctrl+v
"$E2E_PEER" read-two UTF8_STRING 'text/plain;charset=utf-8' >two.out 2>&1
[ "$(cat two.out)" = "read 1500000 bytes" ] || fail "the paste read slowly: $(cat two.out)"
grep -q "stopped reading a large paste; transfer dropped" corvana.err || fail "the unread copy was never given up"
pass "a large paste read slowly while another to the same window is left unread"

# An owner listing its text among 200,000 formats no program named before: the capture reads
# the text within its deadline, says the rest of the list was dropped, and the copy and key
# presses after it are handled as usual.
hostile many-targets 200000 "among many formats"
[ "$(unread_count)" -eq "$unread" ] || fail "the text among many formats was not read: $(grep 'could not be read' corvana.out | tail -n 1)"
grep -q "lists 200003 formats, only the first" corvana.err || fail "no log line on the formats dropped"
paste_into_keylog "among many formats" xdotool key ctrl+v
still_pastes "the owner of many formats"
! grep -rq "among many formats" data || fail "the secret listed after 200,000 formats was stored"
! awk 'length > 4000 { found = 1 } END { exit !found }' corvana.out || fail "a log line of the owner of many formats is over 4000 characters"
pass "an owner of 200,000 unknown formats: its text and mark after them read in $elapsed ms, still pastes"
finish
