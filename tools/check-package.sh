#!/usr/bin/env bash
# Checks what a desktop and a package manager get from the build in BUILD_DIR (default build):
# the desktop entry and the AppStream metainfo pass their validators, cpack makes a .deb that
# holds the program, the entry, the metainfo and the icons, the .deb installs into a scratch root,
# apt finds every package it depends on, and the program starts from the installed entry.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
app_id=example.tessaro.Tessaro

desktop-file-validate "packaging/$app_id.desktop"
appstreamcli validate --no-net "packaging/$app_id.metainfo.xml"

rm -f "$build"/tessaro_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tessaro_*.deb)
contents=$(dpkg-deb --contents "$deb")
for path in usr/bin/tessaro "usr/share/applications/$app_id.desktop" \
    "usr/share/metainfo/$app_id.metainfo.xml" "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "usr/share/icons/hicolor/16x16/apps/$app_id.png" "usr/share/icons/hicolor/512x512/apps/$app_id.png"; do
    grep -q " \./$path\$" <<<"$contents" || { echo "missing in $deb: $path" >&2; exit 1; }
done

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
