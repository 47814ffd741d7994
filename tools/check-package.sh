#!/usr/bin/env bash
# Checks what a desktop and a package manager get from the build in BUILD_DIR (default build):
# the desktop entry and the AppStream metainfo pass their validators, the manual pages format
# without a warning, cpack makes a .deb that holds the programs, the entry, the metainfo, the
# icons, the manual pages, the copyright file and the changelog, lintian finds no error or warning
# in it (the copyright file in the machine-readable format among its checks), the .deb installs
# into a scratch root, apt finds every package it depends on, the installed program prints its
# version without a display and starts from the installed entry.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
app_id=example.tessaro.Tessaro

desktop-file-validate "packaging/$app_id.desktop"
appstreamcli validate --no-net "packaging/$app_id.metainfo.xml"
for page in tessaro tessaro-stamp; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
        "$build/man/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "manual page $page: $warnings" >&2; exit 1; }
done

rm -f "$build"/tessaro_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tessaro_*.deb)
contents=$(dpkg-deb --contents "$deb")
for path in usr/bin/tessaro "usr/share/applications/$app_id.desktop" \
    "usr/share/metainfo/$app_id.metainfo.xml" "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "usr/share/icons/hicolor/16x16/apps/$app_id.png" "usr/share/icons/hicolor/512x512/apps/$app_id.png" \
    usr/bin/tessaro-stamp usr/share/man/man1/tessaro.1.gz usr/share/man/man1/tessaro-stamp.1.gz \
    usr/share/doc/tessaro/copyright usr/share/doc/tessaro/changelog.gz; do
    grep -q " \./$path\$" <<<"$contents" || { echo "missing in $deb: $path" >&2; exit 1; }
done
version=$(dpkg-deb -f "$deb" Version)
[ "$(dpkg-parsechangelog -l "$build/doc/changelog" -S Version)" = "$version" ] \
    || { echo "the changelog's last entry is not version $version" >&2; exit 1; }
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

# The dependencies are what a fresh machine's apt must find.
apt-get install --simulate --no-install-recommends "./$deb" >/dev/null 2>&1 \
    || { apt-get install --simulate "./$deb"; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# A scratch root has none of the dependencies; apt has checked them above.
dpkg --root="$root" --log=/dev/null --force-not-root --force-depends -i "$deb" >/dev/null 2>&1
[ -x "$root/usr/bin/tessaro" ] || { echo "tessaro not installed" >&2; exit 1; }
printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/tessaro" --version)
[ "$printed" = "tessaro $version" ] || { echo "tessaro --version printed '$printed'" >&2; exit 1; }

# Start the installed program as the desktop does from its entry, with a picture to open; it
# must still be running after a few seconds.
picture="$root/picture.png"
printf '\x89PNG\r\n\x1a\n' >"$picture"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$app_id.desktop")
command=${exec_line//%F/$picture}
status=0
PATH="$root/usr/bin:$PATH" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$root/config" \
    XDG_RUNTIME_DIR="$root" timeout 5 $command >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || { echo "tessaro did not keep running from its entry ($status)" >&2; exit 1; }
echo "package checks passed: $deb"
