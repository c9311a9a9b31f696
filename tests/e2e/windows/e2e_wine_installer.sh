# The installer under Wine, as a user meets it: a silent per-user install (files, links, the
# uninstall entry); the installed Corvana started from its Start-menu link with no overrides
# captures copies (its pastes are the session test's, on the same corvana.exe); started again from the system folder it keeps one data folder, in %APPDATA%; a new
# install over the running program quits it and keeps the data; the silent uninstall removes
# the program, its links, its Run value and its entry, keeps the data and returns when done.
source "$(dirname "$0")/wine_e2e_lib.sh"
[ -f "${CORVANA_SETUP:-}" ] ||
    fail "no installer at '${CORVANA_SETUP:-}': scripts/windows/package.sh makes it"
version=$(basename "$CORVANA_SETUP" | sed -n 's/^corvana-\(.*\)-setup\.exe$/\1/p')
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvana'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

win_var() { "$WINE64" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
# The Unix path of a Windows one, through the prefix's drive links.
unix_of() {
    local path
    path=$("$WINE64" winepath -u "$1" 2>/dev/null | tr -d '\r')
    [ -z "$path" ] || readlink -m "$path"
}
# reg_value KEY NAME: the value's data as reg query shows it, empty when missing.
reg_value() {
    "$WINE64" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^[[:space:]]*$2[[:space:]]*REG_[A-Z_]*[[:space:]]*//p"
}
install() {
    "$WINE64" "$(zpath "$CORVANA_SETUP")" /S >install.log 2>&1 || fail "the installer exited with $?"
}
appdata_win=$(win_var APPDATA)
inst_win="$(win_var LOCALAPPDATA)\\Programs\\Corvana"
inst=$(unix_of "$inst_win")
data=$(unix_of "$appdata_win\\Tavrin Labs\\Corvana")
menu=$(unix_of "$appdata_win\\Microsoft\\Windows\\Start Menu\\Programs\\Corvana")
desktop_link="$(unix_of "$(win_var USERPROFILE)\\Desktop")/Corvana.lnk"
system=$(unix_of 'C:\windows\system32')
temp=$(unix_of "$(win_var TEMP)")
[ -n "$inst" ] && [ -n "$data" ] && [ -n "$menu" ] && [ -n "$system" ] && [ -n "$temp" ] ||
    fail "no user folders in the prefix"

# What an earlier run left in this test's prefix.
rm -rf "$inst" "$data" "$menu" "$desktop_link"
"$WINE64" reg delete "$uninstall_key" /f >/dev/null 2>&1
"$WINE64" reg delete "$run_key" /v Corvana /f >/dev/null 2>&1

install
for file in corvana.exe uninstall.exe Qt5Core.dll platforms/qwindows.dll hidden-features.md; do
    [ -f "$inst/$file" ] || fail "$file is not installed"
done
[ ! -e "$inst/portable.txt" ] || fail "the installer put the portable marker"
for link in "$menu/Corvana.lnk" "$menu/uninstall.lnk" "$desktop_link"; do
    [ -f "$link" ] || fail "no link $link"
done
for expected in "DisplayName=Corvana" "DisplayVersion=$version" "Publisher=Tavrin Labs" \
    "DisplayIcon=$inst_win\\corvana.exe" "InstallLocation=$inst_win" \
    "UninstallString=\"$inst_win\\uninstall.exe\"" \
    "QuietUninstallString=\"$inst_win\\uninstall.exe\" /S _?=$inst_win" \
    "NoModify=0x1" "NoRepair=0x1"; do
    name=${expected%%=*}
    # Wine's reg.exe now and then prints nothing for a value that is there: asked again.
    wait_for 10 eval '[ "$(reg_value "$uninstall_key" "$name")" = "${expected#*=}" ]' ||
        fail "$name is '$(reg_value "$uninstall_key" "$name")', expected '${expected#*=}'"
done
size=$(reg_value "$uninstall_key" EstimatedSize)
[ $((size)) -gt 1000 ] || fail "EstimatedSize is '$size'"
pass "a silent install puts the program, its links and its uninstall entry"
installed_files=$(cd "$inst" && find . | sort)
touch stamp

# The installed program, as a user starts it: no overrides of its folders.
unset CORVANA_SETTINGS_DIR CORVANA_DATA_DIR
export CORVANA_EXE="$inst_win\\corvana.exe"
# Started through a link, corvana.exe's output reaches no one: it is ready once it has made its
# temporary folder (the last step of its start), and a copy is captured once it is in the
# data folder's autocomplete.json.
temp_folders() { find "$temp" -mindepth 2 -maxdepth 2 -name curr -type d 2>/dev/null | wc -l; }
# start_link: from the Start menu's link, waited for so its exit status is known.
start_link() {
    local before
    before=$(temp_folders)
    "$WINE64" start /wait /unix "$menu/Corvana.lnk" >>corvana.out 2>>corvana.err &
    CORVANA_PID=$!
    wait_for 120 eval '[ "$(temp_folders)" -gt "$before" ]' || fail "corvana.exe did not start"
}
start_link
printf A | xclip -selection clipboard -i
wait_for 30 eval 'grep -q "\"text\": \"A\"" "$data/autocomplete.json" 2>/dev/null' || fail "a copy was not captured"
quit_corvana
grep -q '^IsFirstStart=false' "$data/Corvana_settings.ini" ||
    fail "no settings saved in $data"
pass "started from its Start-menu link it keeps its copies and settings in %APPDATA%"

# As start at login does: from the system folder.
before=$(ready_count)
(cd "$system" && exec "$WINE64" "$CORVANA_EXE" >>"$E2E_DIR/corvana.out" 2>>"$E2E_DIR/corvana.err") &
CORVANA_PID=$!
wait_for 120 eval '[ "$(ready_count)" -gt "${before:-0}" ]' || fail "corvana.exe did not start"
quit_corvana
found=$(find "$WINEPREFIX/drive_c" -name Corvana_settings.ini)
[ "$found" = "$data/Corvana_settings.ini" ] || fail "settings files: $found"
written=$(find "$system" -newer stamp -type f | head -n 5)
[ -z "$written" ] || fail "written in the system folder: $written"
[ "$(cd "$inst" && find . | sort)" = "$installed_files" ] || fail "the install folder changed"
pass "started from the system folder it keeps the one data folder"

# An install over the running program asks it to quit, replaces it, and keeps the user's files.
mkdir -p "$data/templates"
printf 'mine' >"$data/templates/Keep.txt"
start_link
install
await_exit "the install over it" 0
! corvana_listed || fail "a corvana.exe process is left after the install"
[ "$(cat "$data/templates/Keep.txt")" = mine ] && grep -q '^IsFirstStart=false' "$data/Corvana_settings.ini" ||
    fail "the user's files changed in the install"
[ -f "$inst/corvana.exe" ] || fail "no corvana.exe after the install over it"
pass "an install over the running program closes it and keeps the user's files"

[ -n "$(reg_value "$run_key" Corvana)" ] || fail "no Run value before the uninstall"
"$WINE64" "$inst_win\\uninstall.exe" /S "_?=$inst_win" >uninstall.log 2>&1 ||
    fail "the uninstaller exited with $?"
# Its own file and the folder go the moment it has ended; the rest before it returns.
wait_for 30 eval '[ ! -e "$inst" ]' || fail "left in the program folder: $(ls -A "$inst")"
for link in "$menu" "$desktop_link"; do
    [ ! -e "$link" ] || fail "$link is left"
done
[ -z "$(reg_value "$run_key" Corvana)" ] || fail "the Run value is left"
! "$WINE64" reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry is left"
[ "$(cat "$data/templates/Keep.txt")" = mine ] && [ -f "$data/Corvana_settings.ini" ] ||
    fail "the silent uninstall removed the user's data"
pass "the silent uninstall removes the program and keeps the user's data"
finish
