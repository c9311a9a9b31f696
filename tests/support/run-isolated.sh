#!/usr/bin/env bash
# Runs one test with its own HOME, XDG folders, temporary folder, working directory, settings
# folder and data folder (the working directory), so no test touches the real desktop or another
# test's files.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/corvana-test.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/runtime" "$root/tmp" \
         "$root/work" "$root/settings"
chmod 700 "$root/runtime"
export HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
       XDG_CACHE_HOME="$root/cache" XDG_RUNTIME_DIR="$root/runtime" TMPDIR="$root/tmp" \
       CORVANA_SETTINGS_DIR="$root/settings" CORVANA_DATA_DIR="$root/work"
export LSAN_OPTIONS="suppressions=$(dirname "$(readlink -f "$0")")/lsan.supp:print_suppressions=0"
cd "$root/work"
"$@"
