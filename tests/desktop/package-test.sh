#!/usr/bin/env bash
# Builds the Debian package from a finished build, has lintian check it as Debian would,
# unpacks it into a scratch root with dpkg -x and checks what it holds, what it declares,
# and that the unpacked program runs.
set -euo pipefail
build="$(cd "$1" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb="$(ls "$scratch"/out/sonivale_*.deb)"
[ "$(echo "$deb" | wc -l)" = 1 ] || fail "expected one package, found: $deb"

# Any error or warning fails; the lesser tags (information, pedantic) are shown only.
lintian --fail-on error,warning --display-info "$deb" >"$scratch/lintian.log" 2>&1 || { cat "$scratch/lintian.log" >&2; fail "lintian"; }

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's#^\./#/#' >"$scratch/files"
for path in /usr/bin/sonivale \
            /usr/share/applications/org.sonivale.Sonivale.desktop \
            /usr/lib/systemd/user/sonivale.service \
            /usr/share/mime/packages/sonivale.xml \
            /usr/share/metainfo/org.sonivale.Sonivale.metainfo.xml \
            /usr/share/icons/hicolor/scalable/apps/sonivale.svg \
            /usr/share/sonivale/help.htm \
            /usr/share/sonivale/White_Noise.Wav \
            /usr/share/sonivale/radiostatic.Wav \
            /usr/share/doc/sonivale/copyright \
            /usr/share/doc/sonivale/changelog.gz \
            /usr/share/man/man1/sonivale.1.gz; do
  grep -qx "$path" "$scratch/files" || fail "the package lacks $path"
done
[ "$(grep -c '^/usr/share/sonivale/.*\.Wav$' "$scratch/files")" = 14 ] || fail "the package does not hold the 14 sounds"
if grep -Ev '^/usr(/|$)' "$scratch/files" | grep -q .; then
  fail "the package installs outside /usr: $(grep -Ev '^/usr(/|$)' "$scratch/files" | head -3)"
fi

depends="$(dpkg-deb --field "$deb" Depends)"
for needed in libqt6widgets6 libqt6dbus6 libpulse0 libsndfile1 qt6-qpa-plugins libqt6svg6; do
  echo "$depends" | grep -q "$needed" || fail "Depends does not name $needed: $depends"
done

dpkg -x "$deb" "$scratch/root"
package_version="$(dpkg-deb --field "$deb" Version)"
version="$("$scratch/root/usr/bin/sonivale" --version)"
[ "$version" = "Sonivale $package_version" ] || fail "--version said: $version"
# A new version needs its own changelog entry and metainfo release.
zcat "$scratch/root/usr/share/doc/sonivale/changelog.gz" >"$scratch/changelog"
changelog_version="$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)"
[ "$changelog_version" = "$package_version" ] || fail "the changelog's last entry is $changelog_version, not $package_version"
grep -q "<release version=\"$package_version\"" "$scratch/root/usr/share/metainfo/org.sonivale.Sonivale.metainfo.xml" ||
  fail "the metainfo has no release $package_version"
desktop-file-validate "$scratch/root/usr/share/applications/org.sonivale.Sonivale.desktop" || fail "desktop entry"
echo "ok: $(basename "$deb"), $(wc -l <"$scratch/files") paths; Depends: $depends"
grep -v '^running with root privileges' "$scratch/lintian.log" || true
