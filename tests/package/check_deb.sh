#!/usr/bin/env bash
# Builds the Debian package (scripts/package-deb.sh) and checks it as Debian would: the files it
# installs, its control fields, lintian, the menu entry, the manual page, and no path of this
# machine in the binary. Exit 77 (skipped) without dpkg-deb or lintian.
set -euo pipefail
source=$CORVANA_SOURCE
for tool in dpkg-deb lintian; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
failed=0
check() { # check DESCRIPTION COMMAND...: runs the command, reports, counts a failure
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failed=$((failed + 1)); fi
}

deb=$("$source/scripts/package-deb.sh" | tail -n 1)
[ -f "$deb" ] || { echo "FAIL: no package made ($deb)"; exit 1; }
echo "package: $deb ($(stat -c %s "$deb") bytes)"

icons=()
for px in 16 22 24 32 48 64 128 256; do
    icons+=("./usr/share/icons/hicolor/${px}x${px}/apps/com.tavrinlabs.Corvana.png")
done
expected=$(printf '%s\n' ./usr/bin/corvana \
    ./usr/share/applications/com.tavrinlabs.Corvana.desktop \
    ./usr/share/corvana/hidden-features.md \
    ./usr/share/doc/corvana/changelog.Debian.gz ./usr/share/doc/corvana/copyright \
    ./usr/share/doc/corvana/wayland/sway.conf ./usr/share/doc/corvana/wayland/hyprland.conf \
    "${icons[@]}" ./usr/share/icons/hicolor/scalable/apps/com.tavrinlabs.Corvana.svg \
    ./usr/share/lintian/overrides/corvana ./usr/share/man/man1/corvana.1.gz | sort)
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)
check "the package holds exactly the expected files" diff <(echo "$expected") <(echo "$files")
owned_by_root() { ! awk '$2 != "root/root"' <<<"$listing" | grep -q .; }
check "every entry is owned by root" owned_by_root
# No folder of its own (/etc, an empty one) besides those that hold the files.
only_parent_folders() {
    local dir
    for dir in $(awk '$1 ~ /^d/ {print $6}' <<<"$listing"); do
        grep -q "^${dir}" <<<"$expected" || { echo "unexpected folder $dir"; return 1; }
    done
}
check "only the folders that hold those files" only_parent_folders

field() { dpkg-deb -f "$deb" "$1"; }
check "the file is named after the project's version" \
    test "$(basename "$deb")" = "corvana_${CORVANA_VERSION}-1_amd64.deb"
check "control fields" test \
    "$(field Package) $(field Version) $(field Architecture) $(field Section) $(field Priority)" = \
    "corvana ${CORVANA_VERSION}-1 amd64 utils optional"
depends_on() {
    local package
    for package in "$@"; do [[ ", $(field Depends)," =~ ,\ $package[\ ,] ]] || return 1; done
}
check "Depends has Qt Widgets and the packages of the SVG and Wayland plugins" \
    depends_on libqt5widgets5 libqt5svg5 qtwayland5

check "lintian: no error, no warning" lintian --fail-on error,warning "$deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
check "the menu entry is valid" desktop-file-validate "$root/usr/share/applications/com.tavrinlabs.Corvana.desktop"
check "the manual page renders without warnings" eval \
    '[ -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/corvana.1.gz" 2>&1 >/dev/null)" ]'
check "no path of the build machine in the binary" \
    eval '! strings "$root/usr/bin/corvana" | grep -F "$source"'
echo "$failed failed"
[ "$failed" -eq 0 ]
