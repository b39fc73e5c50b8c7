#!/bin/sh
# Builds liblzma from an unpacked xz-utils source tree as a static library
# for i686-w64-mingw32 and installs its header and archive under prefix.
# Only the coders the compressed format uses (LZMA2 and the x86 branch
# filter), optimised for speed: expansion time is what a setup waits for.
# No tools, documentation, translations or threads.
# Usage: build_liblzma_mingw.sh <xz-utils source folder> <prefix>
set -eu
src="$(cd "$1" && pwd)"
prefix="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
"$src/configure" --quiet --host=i686-w64-mingw32 --prefix="$prefix" \
    --disable-shared --enable-static \
    --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo \
    --disable-lzma-links --disable-scripts --disable-doc --disable-nls \
    --enable-threads=no --disable-microlzma --disable-lzip-decoder \
    --enable-encoders=lzma1,lzma2,x86 --enable-decoders=lzma1,lzma2,x86 \
    --enable-checks=crc32 \
    CC=i686-w64-mingw32-gcc-posix AR=i686-w64-mingw32-ar RANLIB=i686-w64-mingw32-ranlib \
    CFLAGS="-O2 -fno-asynchronous-unwind-tables" >/dev/null
make -s -j2 -C src/liblzma >/dev/null
make -s -C src/liblzma install-libLTLIBRARIES install-nobase_includeHEADERS install-includeHEADERS >/dev/null 2>&1 ||
    make -s -C src/liblzma install >/dev/null
