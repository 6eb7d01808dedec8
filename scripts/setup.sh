#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: it only calls
# apt-get when something is missing, and says nothing when all is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-svg-dev libsqlite3-dev libpq-dev libmspack-dev
  dpkg-dev file lintian appstream desktop-file-utils systemd
  postgresql-15 openssl prometheus
  dbus dbus-x11 xvfb xauth x11-apps imagemagick fonts-liberation qt6-translations-l10n at-spi2-core
  wrk nginx-light curl gcovr mscompress python3 ca-certificates
  chromium chromium-driver python3-selenium
)
axe_version=4.14.1 # the accessibility checker of the browser page's tests
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Any npm will do: a machine may have it from another nodejs than Debian's.
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Test-only web tools, pinned, in a folder git ignores.
tools="$(cd "$(dirname "$0")/.." && pwd)/.cache/web-tools"
if ! grep -qs "\"version\": \"$axe_version\"" "$tools/node_modules/axe-core/package.json"; then
  echo "Installing axe-core $axe_version into $tools"
  npm install --prefix "$tools" --no-save --no-audit --no-fund --silent "axe-core@$axe_version"
fi
