# PasteOrder=forward in the settings file: three copies and three Ctrl+V in Wine's Notepad give
# them back oldest first.
source "$(dirname "$0")/wine_e2e_lib.sh"
settings "StartAtStartup=false" "IsFirstStart=false" "PasteOrder=forward"
start_corvana
open_notepad

copy A
copy B
copy C
xdotool windowfocus --sync "$notepad"
keys ctrl+v ctrl+v ctrl+v
expect_file ABC
pass "forward order from the settings file pastes ABC"

close_notepad
quit_corvana
pass "corvana.exe ended with status 0"
finish
