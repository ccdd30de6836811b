#!/usr/bin/env bash
# Installs what packaging needs, builds, and makes the Debian package build/qorutil_VERSION_ARCH.deb,
# then checks it with lintian (any error fails the script; the warnings are printed).
set -euo pipefail
cd "$(dirname "$0")/.."
# CPack's Debian generator needs file (it picks out the programs for dpkg-shlibdeps) and
# dpkg-dev (dpkg-shlibdeps finds the library dependencies), neither of which a minimal system
# has; gzip compresses the man pages and the changelog;
# desktop-file-utils checks the desktop entries; lintian checks the package.
bash scripts/install-deps.sh dpkg-dev file gzip desktop-file-utils lintian
bash scripts/build.sh
bash scripts/web.sh
rm -f build/qorutil_*.deb
(cd build && cpack -G DEB)
deb=$(ls build/qorutil_*.deb)
echo "== lintian $deb"
# lintian checks as root only when told to; it is the same check.
lintian --allow-root --fail-on error --info "$deb"
echo "Package: $deb"
