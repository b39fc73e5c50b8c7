#!/bin/sh
# Installs what a fresh Debian 12 machine lacks to build and test the setup
# program: the MinGW-w64 i686 cross compiler, zlib for it, Wine (32-bit),
# Xvfb and friends, the fonts metric-compatible with Arial, Times New Roman
# and Courier New that the shipped pages are laid out for, and a window
# manager for the scenarios that run under one, NSIS for the bench that
# compares with it, stress-ng for the soak runs under load, and
# universal-ctags and clang-format for the checks of function lengths and
# layout, inotify-tools for the tests that stop a run at its first change,
# openssl and osslsigncode for the test that signs a single-file setup,
# liblzma (native) for the packer that packs setup.exe after it is linked.
# Safe to run again: it only installs what is missing.
set -eu

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
fi

for p in cmake make g++ clang libclang-rt-14-dev googletest \
         g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools \
         libz-mingw-w64-dev zlib1g-dev liblzma-dev wine wine32:i386 wine64 \
         xvfb xauth x11-utils imagemagick file fonts-liberation openbox nsis wixl stress-ng \
         universal-ctags clang-format inotify-tools openssl osslsigncode; do
    have_pkg "$p" || need="$need $p"
done

if [ -n "$need" ]; then
    echo "bootstrap: installing$need"
    $SUDO apt-get update -qq || true
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $need
fi
