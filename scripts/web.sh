#!/usr/bin/env bash
# Builds the page: installs what it needs (Debian's emscripten, chromium and node), the npm
# development packages pinned in web/package-lock.json, zlib, libdeflate and expat for
# WebAssembly from Debian's source packages (scripts/web-deps.sh), the module (web/, with
# emcmake) and the page as one file. Prints the page's path. A second run rebuilds nothing
# that has not changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(emscripten chromium cmake make dpkg-dev)
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
bash scripts/install-packages.sh "${packages[@]}"

# Debian's emcc finds its JavaScript helpers there when the node on the PATH is another one.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# npm trusts the system's certificate authorities as apt and curl do, a network's own among
# them (added under /usr/local/share/ca-certificates); node alone knows only its built-in list.
if [ -z "${NODE_EXTRA_CA_CERTS:-}" ] && [ -f /etc/ssl/certs/ca-certificates.crt ]; then
    export NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt
fi

# The test tools, exactly as locked; again only when the lock changed.
if [ ! -f web/node_modules/.package-lock.json ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
    npm ci --prefix web --no-audit --no-fund
fi

bash scripts/web-deps.sh

emcmake cmake -S web -B build-web/module -DCMAKE_BUILD_TYPE=Release \
    -DQORUTIL_WEB_DEPS="$PWD/build-web/deps" >/dev/null
cmake --build build-web/module -j2

node web/bundle.mjs web/page build-web/module/qorutil.js build-web/qorutil.html >/dev/null
echo "The page, $(stat -c %s build-web/qorutil.html) bytes (its script and WebAssembly inside):"
echo "$PWD/build-web/qorutil.html"
