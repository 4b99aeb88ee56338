#!/usr/bin/env bash
# Installs what building, running and testing Velarium needs on Debian 12 (run as root).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 qt6-translations-l10n
    # The printer's resolution is asked of Qt's print device, whose header needs CUPS's.
    qt6-base-private-dev libcups2-dev
    libssl-dev openssl
    libxlsxwriter-dev libzip-dev unzip libexpat1-dev
    # The command line is parsed by CLI11; the animated GIF is written by giflib.
    libcli11-dev libgif-dev
    # A file's type is read with libmagic and its compressibility measured with zlib; the
    # Windows builds link zlib built for MinGW-w64.
    libmagic-dev zlib1g-dev libz-mingw-w64-dev
    libjpeg62-turbo
    libgtest-dev
    fonts-dejavu-core
    xvfb xauth xdotool x11-utils openbox imagemagick poppler-utils
    # The end-to-end tests read what Qt's own boxes and dialogs show.
    tesseract-ocr tesseract-ocr-ita
    # The desktop seam opens documents and links with xdg-open; the desktop entry is checked
    # with desktop-file-validate.
    xdg-utils desktop-file-utils
    # A dark desktop scheme for the end-to-end test: GTK's, read through Qt's GTK theme.
    qt6-gtk-platformtheme
    # setfacl and setfattr: the tests mark files with an access control list and an extended
    # attribute, which every replacement must keep.
    acl attr
    # The list is printed on a CUPS queue of the end-to-end test's own, into PDF files.
    cups printer-driver-cups-pdf
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
