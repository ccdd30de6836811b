#!/usr/bin/env bash
# Builds zlib, libdeflate and expat (the core's), and libwebp, giflib and libimagequant (the
# animated exports') for WebAssembly from Debian's own source packages, the versions the native
# build links, into build-web/deps/ (headers in include/, archives in lib/).
# The sources come through a private apt configuration under build-web/apt/ with a deb-src
# entry of its own; the machine's apt sources and lists stay as they are. A library already
# built is not built again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD/build-web
deps=$root/deps
apt=$root/apt
mkdir -p "$deps/include" "$deps/lib" "$apt/etc/sources.list.d" "$apt/etc/preferences.d" "$apt/state/lists/partial" \
         "$apt/cache/archives/partial" "$deps/src"

# The same Debian versions as the native libraries: the installed package's source version.
source_version() {
    dpkg-query -W -f='${source:Version}' "$1"
}

aptopts=(-o "Dir::Etc::SourceList=$apt/etc/sources.list" -o "Dir::Etc::SourceParts=$apt/etc/sources.list.d"
         -o "Dir::Etc::Preferences=$apt/etc/preferences" -o "Dir::Etc::PreferencesParts=$apt/etc/preferences.d"
         -o "Dir::State=$apt/state" -o "Dir::State::Lists=$apt/state/lists" -o "Dir::Cache=$apt/cache"
         -o "APT::Sandbox::User=root")

updated=false
source_folder= # set by fetch
fetch() { # PACKAGE VERSION: unpacks the source into build-web/deps/src/PACKAGE-UPSTREAM
    local package=$1 version=$2
    local upstream=${version#*:}
    upstream=${upstream%-*}
    source_folder=$deps/src/$package-$upstream
    [ -d "$source_folder" ] && return
    if [ "$updated" = false ]; then
        echo "deb-src http://deb.debian.org/debian bookworm main" >"$apt/etc/sources.list"
        apt-get "${aptopts[@]}" update
        updated=true
    fi
    # A security update installed here may be newer than the release's own revision, which is
    # what the archive serves: then that revision of the same upstream version is built, and said.
    if ! (cd "$deps/src" && apt-get "${aptopts[@]}" source --only-source "$package=$version"); then
        echo "note: the source of $package $version is not in the archive; building its release revision"
        (cd "$deps/src" && apt-get "${aptopts[@]}" source --only-source "$package")
    fi
    local unpacked
    unpacked=$(find "$deps/src" -maxdepth 1 -type d -name "$package-*" | head -n 1)
    [ -n "$unpacked" ] || { echo "no source of $package was unpacked" >&2; exit 1; }
    [ "$unpacked" = "$source_folder" ] || mv "$unpacked" "$source_folder"
}

# Built for speed, as Debian builds them: emcc's -Os also turns off inlining, which costs
# zlib's compressor half its speed. A change of flags rebuilds them all.
emflags=(-O2 -fPIC)
if [ "$(cat "$deps/flags" 2>/dev/null)" != "${emflags[*]}" ]; then
    rm -rf "$deps/lib"/*.a "$deps/src/expat-build"
    echo "${emflags[*]}" >"$deps/flags"
fi

archive() { # NAME OBJECTS...: build-web/deps/lib/libNAME.a
    local name=$1
    shift
    rm -f "$deps/lib/lib$name.a"
    emar rcs "$deps/lib/lib$name.a" "$@"
}

build_zlib() {
    [ -f "$deps/lib/libz.a" ] && return
    fetch zlib "$(source_version zlib1g)"
    local src=$source_folder
    local objects=()
    for name in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
        emcc "${emflags[@]}" -DHAVE_UNISTD_H -c "$src/$name.c" -o "$deps/src/zlib-$name.o"
        objects+=("$deps/src/zlib-$name.o")
    done
    cp "$src/zlib.h" "$src/zconf.h" "$deps/include/"
    archive z "${objects[@]}"
}

build_libdeflate() {
    [ -f "$deps/lib/libdeflate.a" ] && return
    fetch libdeflate "$(source_version libdeflate0)"
    local src=$source_folder
    local objects=()
    for file in "$src"/lib/*.c; do
        local object
        object="$deps/src/libdeflate-$(basename "$file" .c).o"
        emcc "${emflags[@]}" -I"$src" -c "$file" -o "$object"
        objects+=("$object")
    done
    cp "$src/libdeflate.h" "$deps/include/"
    archive deflate "${objects[@]}"
}

build_expat() {
    [ -f "$deps/lib/libexpat.a" ] && return
    fetch expat "$(source_version libexpat1)"
    local src=$source_folder
    [ -d "$src/expat" ] && src=$src/expat
    emcmake cmake -S "$src" -B "$deps/src/expat-build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="${emflags[*]} -DNDEBUG" -DEXPAT_BUILD_TOOLS=OFF \
        -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_SHARED_LIBS=OFF \
        -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_ENABLE_INSTALL=OFF >/dev/null
    # Debian's patches test "#if XML_DTD == 1", as its own configure script defines it; the
    # CMake configuration defines it empty.
    sed -i -E 's/^#define (XML_DTD|XML_NS|XML_GE)$/#define \1 1/' "$deps/src/expat-build/expat_config.h"
    cmake --build "$deps/src/expat-build" -j2 >/dev/null
    cp "$deps/src/expat-build/libexpat.a" "$deps/lib/libexpat.a"
    cp "$src/lib/expat.h" "$src/lib/expat_external.h" "$deps/include/"
}

# Each of SOURCES... compiled with FLAGS... (before a lone --) into build-web/deps/src/NAME-*.o,
# and archived as libNAME.a.
compile_archive() { # NAME FLAGS... -- SOURCES...
    local name=$1
    shift
    local flags=()
    while [ "$1" != -- ]; do flags+=("$1"); shift; done
    shift
    local objects=()
    for file in "$@"; do
        local object
        object="$deps/src/$name-$(basename "$(dirname "$file")")-$(basename "$file" .c).o"
        emcc "${emflags[@]}" "${flags[@]}" -c "$file" -o "$object"
        objects+=("$object")
    done
    archive "$name" "${objects[@]}"
}

# libwebp's encoder and its animation encoder (in the mux library), single-threaded. Built for
# size, since it is most of what the exports add to the page: an export encodes a clip's frames
# once, where the converters' speed is what a batch waits for.
webpflags=(-Os)
build_libwebp() {
    [ "$(cat "$deps/flags-webp" 2>/dev/null)" = "${webpflags[*]}" ] && [ -f "$deps/lib/libwebp.a" ] && return
    fetch libwebp "$(source_version libwebp7)"
    local src=$source_folder
    compile_archive webp -I"$src" "${webpflags[@]}" -- "$src"/src/{dec,enc,dsp,utils,mux,demux}/*.c "$src"/sharpyuv/*.c
    mkdir -p "$deps/include/webp"
    cp "$src"/src/webp/{encode,mux,mux_types,types,decode,demux}.h "$deps/include/webp/"
    echo "${webpflags[*]}" >"$deps/flags-webp"
}

build_giflib() {
    [ -f "$deps/lib/libgif.a" ] && return
    fetch giflib "$(source_version libgif7)"
    local src=$source_folder
    compile_archive gif -I"$src" -- "$src"/{egif_lib,dgif_lib,gif_err,gif_hash,gifalloc,openbsd-reallocarray}.c
    cp "$src/gif_lib.h" "$deps/include/"
}

build_libimagequant() {
    [ -f "$deps/lib/libimagequant.a" ] && return
    fetch libimagequant "$(source_version libimagequant0)"
    local src=$source_folder
    compile_archive imagequant -std=c99 -DNDEBUG -- "$src"/{libimagequant,blur,kmeans,mediancut,mempool,nearest,pam}.c
    cp "$src/libimagequant.h" "$deps/include/"
}

build_zlib
build_libdeflate
build_expat
build_libwebp
build_giflib
build_libimagequant
echo "WebAssembly libraries in $deps"
