# Templates on a real desktop: a template picked in the Templates window, a two-row table copied
# with xclip, and Ctrl+Alt+B pressed three times in featherpad pastes the two filled rows and
# nothing more. Saves a picture of the Templates window into $CORVANA_SHOTS.
source "$(dirname "$0")/e2e_lib.sh"
shots="${CORVANA_SHOTS:-$PWD/screenshots}"
mkdir -p "$shots"

# Centre of the Templates button in the fixed 445 x 664 main window.
templates_button_y=522

e2e_begin
mkdir -p data/templates
printf 'Hello, $1 . Thank you for contacting us regarding $2 .' >"data/templates/Reply.txt"
printf 'Dear $2 team,\n$1 will call you.' >"data/templates/Thanks.txt"
start_corvana

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
rows_pasted() { grep -c "Template row to paste" corvana.err 2>/dev/null || true; }

main=$(visible '^Corvana$')
[ -n "$main" ] || fail "the first start does not show the main window"
xdotool windowraise "$main" mousemove --window "$main" 222 $templates_button_y click 1
wait_for 10 eval '[ -n "$(visible "^Templates$")" ]' || fail "the Templates button opened nothing"
templates=$(visible '^Templates$')
pass "the Templates button opens the Templates window"

# Templates of earlier runs are listed by name; the first one (Reply) is shown.
xdotool windowfocus --sync "$templates"
sleep 0.3
import -window "$templates" "$shots/templates-window.png" || fail "cannot save the picture"
# Focus starts on New; Select is four tabs further.
xdotool key --delay 60 Tab Tab Tab Tab space
wait_for 10 eval '[ -z "$(visible "^Templates$")" ]' || fail "Select did not close the window"
grep -q "Special paste" corvana.out && fail "unexpected special paste"
pass "a template is selected"

open_featherpad
xdotool windowfocus --sync "$editor"
sleep 0.3

copy "$(printf 'Ann\tSales\nBob\tSupport')"
# Ctrl and Alt held as a hand holds them, B pressed three times.
xdotool keydown ctrl alt
for press in 1 2 3; do
    before=$(rows_pasted)
    xdotool key b
    if [ $press -le 2 ]; then
        wait_for 10 eval '[ "$(rows_pasted)" -gt "$before" ]' || fail "press $press pasted nothing"
    fi
    sleep 0.3
done
xdotool keyup alt ctrl
sleep 0.2
xdotool key --clearmodifiers ctrl+s
expected='Hello, Ann . Thank you for contacting us regarding Sales .Hello, Bob . Thank you for contacting us regarding Support .'
wait_for 5 eval '[ "$(tr -d "\\n" <"$out")" = "$expected" ]' ||
    fail "file holds '$(cat "$out")', expected '$expected'"
pass "three presses of Ctrl+Alt+B paste both filled rows and nothing more"
finish
