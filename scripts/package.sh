#!/usr/bin/env bash
# Installs what packaging needs, builds, and makes the Debian package build/qorutil_VERSION_ARCH.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
# help2man writes the man page, dpkg-dev finds the library dependencies, desktop-file-utils
# checks the desktop entry.
bash scripts/install-deps.sh help2man dpkg-dev desktop-file-utils
bash scripts/build.sh
bash scripts/web.sh
rm -f build/qorutil_*.deb
(cd build && cpack -G DEB)
echo "Package: $(ls build/qorutil_*.deb)"
