#!/usr/bin/env bash
# Runs one Windows program under Wine with its own working (also its data), settings and
# temporary folders, so no run touches another's files; Qt's and MinGW's DLLs are found where
# they were built.
#   wine-run.sh PROGRAM.exe [ARGS...]      (the cross build's test emulator)
# WINEPREFIX must name a prefix scripts/windows/test.sh has booted.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
qt=${CORVANA_QT_PREFIX:-$HOME/.cache/corvana/qt5-mingw/qt}
: "${WINEPREFIX:?WINEPREFIX names the prefix to run in}"
export WINEDEBUG=${WINEDEBUG:--all}

root=$(mktemp -d "${TMPDIR:-/tmp}/corvana-wine.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/work" "$root/settings" "$root/tmp"
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
export WINEPATH="$(zpath "$qt/bin");$(zpath "$gcc_dlls");$(zpath /usr/x86_64-w64-mingw32/lib)"
export QT_PLUGIN_PATH=$(zpath "$qt/plugins")
export CORVANA_SETTINGS_DIR=$(zpath "$root/settings") CORVANA_DATA_DIR=$(zpath "$root/work")
export TMP=$(zpath "$root/tmp") TEMP=$(zpath "$root/tmp")
wine_pass_qt_env
program=$1
shift
cd "$root/work"
case $(basename "$program") in
  tst_*.exe)
    # QtTest's report does not reach standard output under Wine: it goes through a file.
    "$WINE64" "$program" "$@" -o "$(zpath "$root/report.txt"),txt"
    status=$?
    cat "$root/report.txt" 2>/dev/null
    exit $status
    ;;
esac
"$WINE64" "$program" "$@"
