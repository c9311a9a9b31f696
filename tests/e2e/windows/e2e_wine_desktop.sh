# corvana.exe on the desktop under Wine: its icon docks in the tray, start at login writes the
# quoted path of the .exe into the Run value and takes it away again, and the Start menu gets
# its launcher on a first start.
source "$(dirname "$0")/wine_e2e_lib.sh"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { "$WINE64" reg query "$run_key" /v Corvana 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'; }
panel=$(xdotool search --name '^panel$' | head -n 1)
[ -n "$panel" ] || fail "no tray panel"
docked() { xwininfo -children -id "$panel" 2>/dev/null | sed -n 's/^[[:space:]]*\([0-9]*\) child.*/\1/p'; }
before=$(docked)

start_menu_link() { find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Corvana/Corvana.lnk' 2>/dev/null | head -n 1; }
# What an earlier run left in the prefix.
"$WINE64" reg delete "$run_key" /v Corvana /f >/dev/null 2>&1
link=$(start_menu_link)
[ -z "$link" ] || rm -f "$link"
settings "StartAtStartup=true" "IsFirstStart=true"
start_corvana
wait_for 30 eval '[ "$(docked)" -gt "${before:-0}" ]' || fail "no icon docked in the tray"
pass "the tray icon is in the tray"

exe_path=$(run_value)
case $exe_path in
    \"*corvana.exe\") pass "start at login wrote the quoted path $exe_path" ;;
    *) fail "the Run value is '$exe_path', expected the quoted path of corvana.exe" ;;
esac
[ -n "$(start_menu_link)" ] || fail "no Corvana.lnk in the Start menu after a first start"
pass "a first start makes the Start menu's launcher"
quit_corvana

settings "StartAtStartup=false" "IsFirstStart=false"
start_corvana
# The value goes while the program starts, before it is ready.
[ -z "$(run_value)" ] || fail "the Run value is still there with start at login off"
pass "start at login off removes the Run value"
quit_corvana
[ "$(setting StartAtStartup)" = false ] || fail "StartAtStartup is '$(setting StartAtStartup)' after quitting"
pass "quitting saves the settings"
finish
