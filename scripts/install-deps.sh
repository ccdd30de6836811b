#!/usr/bin/env bash
# Installs what building, testing and showing the window need on Debian 12, and any further
# packages named as arguments. Safe to run again.
set -euo pipefail

# clang, its sanitizer and libFuzzer runtimes and llvm-symbolizer (llvm-14) are for the
# sanitizer build and the fuzz targets that scripts/test.sh runs as well.
packages=(cmake g++ make pkg-config zlib1g-dev libdeflate-dev libexpat1-dev doctest-dev qt6-base-dev qt6-base-dev-tools
          qt6-qpa-plugins libgl-dev xvfb xauth openbox imagemagick xdotool x11-utils desktop-file-utils
          clang libclang-rt-14-dev llvm-14 libwebp-dev libgif-dev libimagequant-dev "$@")

bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"
