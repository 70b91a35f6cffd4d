#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with, when missing.
# Extra package names given as arguments are installed too.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config file dpkg-dev binutils
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libqt6sql6-odbc libqt6opengl6-dev
  postgresql libpq-dev libqt6sql6-psql libqt6sql6-sqlite qtkeychain-qt6-dev
  libqcustomplot-dev libqcustomplot2.1-qt6 qt6-svg-dev
  libhidapi-dev libudev-dev libxlsxwriter-dev zlib1g-dev
  qt6-translations-l10n
  libsqliteodbc unixodbc
  fonts-wqy-microhei
  python3-openpyxl poppler-utils xvfb xauth
  lintian appstream
  clang-format clang libclang-rt-14-dev strace
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
