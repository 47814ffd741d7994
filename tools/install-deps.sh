#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tessaro needs, or the
# packages named as arguments instead (the recipe scripts' schedulers), skipping the ones already
# there. Runs apt-get as root, or through sudo for a normal user.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5webkit5-dev
    # kimageformat-plugins reads HEIF (libheif1, with its HEVC and AV1 codecs built in on
    # Debian 12), AVIF (libavif15) and JPEG XL (libjxl0.7), and writes AVIF.
    qt5-image-formats-plugins kimageformat-plugins libopenjp2-7-dev libexiv2-dev liblcms2-dev
    libjpeg-dev
    fonts-dejavu-core bindfs
    dpkg-dev desktop-file-utils appstream lintian
)
[ $# -eq 0 ] || packages=("$@")

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
