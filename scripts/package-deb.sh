#!/usr/bin/env bash
# Builds a release and makes the Debian package build/deb/corvana_VERSION-REVISION_ARCH.deb from
# what `cmake --install` puts under /usr, plus the package's own texts (packaging/debian/). The
# version is the CMake project's. The last line printed is the package's path.
set -euo pipefail
umask 022
here=$(cd "$(dirname "$0")/.." && pwd)
revision=1
"$here/scripts/install-deps.sh" >&2

# Worktrees of one clone share cache hits. Debian's hardening flags, without debug information
# (the binary is stripped), nor the build folder in the flags (a cache hit in any clone).
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
export DEB_CXXFLAGS_MAINT_STRIP=-g DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath"
cd "$here"
build=$here/build/release-deb
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANA_SANITIZE=OFF \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" --target corvana corvana_manpage -j"${JOBS:-$(nproc)}" >&2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
arch=$(dpkg --print-architecture)
out=$here/build/deb
stage=$out/debian/corvana
rm -rf "$stage"
mkdir -p "$out"
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >/dev/null
# As dh_strip does: the compiler's notes are of no use in the package either.
strip --remove-section=.comment --remove-section=.note "$stage/usr/bin/corvana"

pkg=$here/packaging/debian
doc=$stage/usr/share/doc/corvana
install -d "$doc" "$stage/usr/share/lintian/overrides"
install -m 644 "$pkg/copyright" "$doc/copyright"
install -m 644 "$pkg/lintian-overrides" "$stage/usr/share/lintian/overrides/corvana"
# Dated by the last commit, so that the same sources give the same package.
date=$(date -R -d "@${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}")
sed -e "s/@VERSION@/$version-$revision/" -e "s/@UPSTREAM@/$version/" -e "s/@DATE@/$date/" \
    "$pkg/changelog.in" | gzip -9n >"$doc/changelog.Debian.gz"
chmod 644 "$doc/changelog.Debian.gz"

# The libraries the binary links, as dpkg-shlibdeps finds them (it wants the package named in a
# debian/control where it runs, and the binary in debian/PACKAGE/), and the Qt plugins it loads
# at run time, which no linker sees: the SVG icon engine and image format (libqt5svg5) and the
# Wayland platform plugin (qtwayland5), without which a Wayland session with no XWayland would
# leave Qt no display to open; the xcb platform plugin comes with libqt5gui5.
printf 'Source: corvana\n\nPackage: corvana\nArchitecture: any\n' >"$out/debian/control"
depends=$(cd "$out" && dpkg-shlibdeps -O debian/corvana/usr/bin/corvana | sed -n 's/^shlibs:Depends=//p')
for plugin in libqt5svg5 qtwayland5; do
    [[ ", $depends," =~ ,\ $plugin[\ ,] ]] || depends="$depends, $plugin"
done

install -d "$stage/DEBIAN"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version-$revision/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" \
    -e "s/@DEPENDS@/$depends/" "$pkg/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

deb=$out/corvana_${version}-${revision}_${arch}.deb
rm -f "$deb"
dpkg-deb --root-owner-group --build "$stage" "$deb" >&2
echo "$deb"
