#!/usr/bin/env bash
# Cross-builds libjpeg-turbo (with its SIMD code, via nasm) for the 32-bit
# Windows edition from Debian's source package, into .deps/win32.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix="$here/.deps/win32"
[ -f "$prefix/lib/libjpeg.a" ] && exit 0

src_root="$here/.deps/src"
mkdir -p "$src_root"
if ! ls -d "$src_root"/libjpeg-turbo-*/ >/dev/null 2>&1; then
  if ! (cd "$src_root" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1); then
    if [ "$(id -u)" -ne 0 ]; then
      echo "apt-get source libjpeg-turbo failed: enable deb-src entries for Debian's main archive." >&2
      exit 1
    fi
    # Source entries mirroring the binary ones already configured.
    cat > /etc/apt/sources.list.d/pictavo-deb-src.sources <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    apt-get update -qq
    (cd "$src_root" && apt-get source -qq libjpeg-turbo >/dev/null)
  fi
fi
src=$(ls -d "$src_root"/libjpeg-turbo-*/ | head -n 1)

build="$here/.deps/build-libjpeg-win32"
rm -rf "$build"
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DWITH_TURBOJPEG=OFF \
  -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm >/dev/null
cmake --build "$build" >/dev/null
cmake --install "$build" >/dev/null
echo "libjpeg-turbo for win32 installed in $prefix"
