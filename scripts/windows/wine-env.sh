# Sourced by the Windows scripts: Debian's wine64 package keeps its programs in /usr/lib/wine
# (the wrappers on PATH come with the "wine" package, which the tests do not need).
#   WINE64, WINESERVER: the loader and the server of this Wine.
wine_find() {
  local name=$1
  if command -v "$name" >/dev/null 2>&1; then
    command -v "$name"
  elif [ -x "/usr/lib/wine/$name" ]; then
    echo "/usr/lib/wine/$name"
  else
    echo "$name: not found; run scripts/windows/install-deps.sh" >&2
    return 1
  fi
}
WINE64=$(wine_find wine64)
WINESERVER=$(wine_find wineserver)
export WINE64 WINESERVER
# Wine starts its own server by this name when none runs for the prefix.
export WINESERVER

# Wine keeps the host's QT_ variables from Windows programs (they are meant for the host's Qt);
# a copy named WINEQT_... reaches them as QT_.... wine_pass_qt_env makes that copy of each.
wine_pass_qt_env() {
  local name
  for name in $(compgen -e); do
    case $name in QT_*) export "WINE$name=${!name}" ;; esac
  done
}

# zpath PATH: the Windows name of a Unix path (Wine's drive Z: is the Unix root).
zpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
