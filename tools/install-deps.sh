#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, test and run the workstation.
# With --demo only what building and running the programs needs (tools/run-demo.sh):
# no test framework, no independent readers, no LibreOffice.
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
  libsqlite3-dev sqlite3 libssl-dev openssl ca-certificates libcurl4-openssl-dev
  libzip-dev libpugixml-dev libxcb1-dev libxcb-image0-dev
  qt6-translations-l10n xdg-utils media-types
)
if [ "${1:-}" != "--demo" ]; then
  packages+=(
    libgtest-dev libgmock-dev googletest
    xvfb xauth poppler-utils unzip libxml2-utils
    libreoffice-writer-nogui libreoffice-calc-nogui python3-openpyxl python3-docx
  )
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
