#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: it only calls
# apt-get when something is missing, and says nothing when all is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-svg-dev libsqlite3-dev libpq-dev libmspack-dev
  dpkg-dev file lintian appstream desktop-file-utils systemd
  postgresql-15 openssl
  dbus dbus-x11 xvfb xauth x11-apps imagemagick fonts-liberation qt6-translations-l10n at-spi2-core
  wrk nginx-light curl gcovr mscompress python3 ca-certificates
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
