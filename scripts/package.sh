#!/usr/bin/env bash
# Builds the Debian packages ciarlachat and ciarla-servizio from a clean tree
# into dist/, then checks them with desktop-file-validate, appstreamcli and
# lintian (errors fail; warnings are shown).
#   JOBS  parallel compile jobs (default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=build-package
rm -rf "$build" dist
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Debian's hardening flags (fortified functions, immediate binding, PIE), as a
# Debian build would use them.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
# Only what the packages hold is built, not the test suite.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DCMAKE_SKIP_PACKAGE_ALL_DEPENDENCY=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target CiarlaChat CiarlaServer ciarla-servizio ciarla_docs ciarla_changelog
cmake --build "$build" --target package
rm -rf dist/_CPack_Packages

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x dist/ciarlachat_*.deb "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/it.ciarlasoft.CiarlaChat.desktop"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/it.ciarlasoft.CiarlaChat.metainfo.xml"
lintian --fail-on error dist/*.deb
echo "Pacchetti pronti in dist/:" dist/*.deb
