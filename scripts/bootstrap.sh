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
# liblzma (native, for the packer that packs setup.exe after it is linked
# and for the tools, and cross-built from Debian's source for the Windows tree).
# Safe to run again: it only installs what is missing.
set -eu

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# A mirror caught mid-sync serves an index whose size its Release file
# does not promise: apt-get update then fails for that one list while the
# others are fresh. Warn and go on; the failed lists are remembered.
failed_lists=""
apt_update() {
    log="$(mktemp)"
    if ! $SUDO apt-get update -qq >"$log" 2>&1; then
        cat "$log" >&2
        failed_lists="$(sed -n 's/^E: Failed to fetch \(http[^ ]*\)  File has unexpected size.*/\1/p' "$log")"
        echo "bootstrap: warning: some package indexes could not be fetched (a mirror may be syncing); going on with the others" >&2
    fi
    rm -f "$log"
}
# Only when an install fails for want of a list that failed so: the list
# the mirror serves (the one before its sync, as a rule) is taken as apt's
# earlier copy, which apt then uses, and the install is tried once more.
# Said loudly: that list is not the one the signed Release describes.
take_served_lists() {
    for url in $failed_lists; do
        case "$url" in *.xz) ;; *) continue ;; esac
        name="$(echo "${url%.xz}" | sed 's|^http://||; s|/|_|g')"
        tmp="$(mktemp)"
        if curl -fsS -o "$tmp" "$url" && xz -t "$tmp" 2>/dev/null; then
            xz -dc "$tmp" | $SUDO tee "/var/lib/apt/lists/$name" >/dev/null
            echo "bootstrap: warning: using the index the mirror serves for $url, which does not match its signed Release (mirror sync in progress?)" >&2
        fi
        rm -f "$tmp"
    done
}
apt_install() {
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" && return 0
    if [ -n "$failed_lists" ]; then
        take_served_lists
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" && return 0
    fi
    echo "bootstrap: could not install:$*" >&2
    [ -z "$failed_lists" ] || echo "bootstrap: these package indexes failed: $failed_lists" >&2
    echo "bootstrap: if apt named a version it cannot find, the package mirror may be syncing; wait and run again, or pin another mirror" >&2
    exit 1
}

need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    apt_update
fi

for p in cmake make g++ clang libclang-rt-14-dev googletest \
         g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools \
         libz-mingw-w64-dev zlib1g-dev liblzma-dev wine wine32:i386 wine64 \
         xvfb xauth x11-utils imagemagick file fonts-liberation openbox nsis wixl stress-ng \
         universal-ctags clang-format inotify-tools openssl osslsigncode dpkg-dev; do
    have_pkg "$p" || need="$need $p"
done

if [ -n "$need" ]; then
    echo "bootstrap: installing$need"
    apt_update
    # shellcheck disable=SC2086
    apt_install $need
fi

# liblzma for the cross build: Debian has no MinGW package of it, so the
# source package of the very version the host tree uses (liblzma-dev) is
# fetched and its static library built for i686-w64-mingw32 into the build
# tree, with only what the compression library needs: the LZMA2 and x86
# branch filter coders, no tools, no documentation, no translations, no
# threads. Skipped when that version is already built there.
root="$(cd "$(dirname "$0")/.." && pwd)"
# Source lines for the machine's own Debian archives (same URIs and suites
# as its binary lines), added once.
add_deb_src() {
    list=/etc/apt/sources.list.d/nimbo-deb-src
    [ -e "$list.sources" ] || [ -e "$list.list" ] && return 0
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$list.sources" >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee "$list.list" >/dev/null
    fi
    apt_update
}
deps="$root/build/deps"
xz_version="$(dpkg-query -W -f='${Version}' liblzma-dev)"
xz_prefix="$deps/i686-w64-mingw32"
if [ "$(cat "$xz_prefix/.xz-version" 2>/dev/null)" != "$xz_version" ]; then
    add_deb_src
    rm -rf "$deps/xz-src" "$xz_prefix"
    mkdir -p "$deps/xz-src"
    (cd "$deps/xz-src" && apt-get source -qq "xz-utils=$xz_version" >/dev/null)
    "$root/scripts/build_liblzma_mingw.sh" "$(ls -d "$deps"/xz-src/xz-utils-*/)" "$xz_prefix"
    echo "$xz_version" >"$xz_prefix/.xz-version"
    rm -rf "$deps/xz-src"
fi
