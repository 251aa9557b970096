#!/usr/bin/env bash
# Builds oneTBB from Debian's source package with the thread sanitizer into
# build/tbb-tsan (once), so that the thread-sanitizer build sees the
# pipeline's own synchronisation; the shared library Debian ships is not
# instrumented, and the sanitizer would report its hand-offs as races.
# Prints the folder to give CMake as TBB_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$PWD/build/tbb-tsan"
if [ -f "$prefix/install/lib/cmake/TBB/TBBConfig.cmake" ]; then
    echo "$prefix/install/lib/cmake/TBB"
    exit 0
fi
. scripts/packages.sh
ensure_packages dpkg-dev cmake g++ >&2
sources=/etc/apt/sources.list.d/ruzovizu-src.sources
if ! grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "Adding Debian's source packages to apt ($sources)" >&2
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo tee "$sources" >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $(. /etc/os-release; echo "$VERSION_CODENAME")
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    $sudo apt-get update -q >&2
fi
rm -rf "$prefix/src"
mkdir -p "$prefix/src"
(cd "$prefix/src" && apt-get source --download-only onetbb >&2 && tar xf onetbb_*.orig.tar.*)
cmake -S "$prefix"/src/oneTBB-* -B "$prefix/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTBB_TEST=OFF -DTBB_EXAMPLES=OFF -DTBB_STRICT=OFF -DTBBMALLOC_BUILD=OFF \
      -DTBB_SANITIZE=thread -DCMAKE_INSTALL_PREFIX="$prefix/install" >&2
cmake --build "$prefix/build" -j "$(nproc 2>/dev/null || echo 2)" >&2
cmake --install "$prefix/build" >&2
echo "$prefix/install/lib/cmake/TBB"
