# The paste queue under Wine: three copies from the X clipboard and three Ctrl+V in Wine's
# Notepad give them back newest first; the global shortcut turns the order round, and the order
# chosen is in the settings file once corvana.exe has been closed.
source "$(dirname "$0")/wine_e2e_lib.sh"
settings "StartAtStartup=false" "IsFirstStart=false"
start_corvana
open_notepad

copy A
copy B
copy C
xdotool windowfocus --sync "$notepad"
keys ctrl+v ctrl+v ctrl+v
expect_file CBA
pass "backward order, the default, pastes CBA"

keys ctrl+v
expect_file CBAA
keys ctrl+alt+slash
keys ctrl+v ctrl+v ctrl+v ctrl+v
expect_file CBAAABCC
pass "after Ctrl+Alt+/ forward order pastes ABCC"

close_notepad
quit_corvana
[ "$(setting PasteOrder)" = forward ] || fail "PasteOrder is '$(setting PasteOrder)' after quitting, expected forward"
pass "closing corvana.exe ends it with status 0 and saves the order"
finish
