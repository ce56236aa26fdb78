#!/bin/sh
# Builds a Debian trixie root holding 64-bit Wine 10, for running Windows
# console programs on a Debian bookworm x86_64 machine, whose own glibc is too
# old for that Wine. Needs root; fetches only Debian packages.
#
#   setup-wine-root.sh [ROOT]    ROOT defaults to $WINE_ROOT, else /opt/wine-root
#
#   WINE_MIRROR   Debian mirror (default http://deb.debian.org/debian)
#   WINE_I386_PE  1 (default): also unpack the 32-bit PE DLLs that WoW64 needs
#                 to start 32-bit programs; 0: 64-bit programs only.
#
# Finished steps are skipped, so running it again is cheap.
set -eu

ROOT=${1:-${WINE_ROOT:-/opt/wine-root}}
MIRROR=${WINE_MIRROR:-http://deb.debian.org/debian}
I386_PE=${WINE_I386_PE:-1}
export DEBIAN_FRONTEND=noninteractive LC_ALL=C

die() {
    echo "setup-wine-root.sh: $*" >&2
    exit 1
}

[ "$(id -u)" = 0 ] || die "must run as root"
case $ROOT in
    /*) ;;
    *) ROOT=$(pwd)/$ROOT ;;
esac

# Chrooted into ROOT with /proc and /dev, in a private mount namespace so that
# nothing stays mounted afterwards.
in_root() {
    unshare -m --propagation private sh -c '
        root=$1; shift
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        exec chroot "$root" "$@"' sh "$ROOT" "$@"
}

if ! command -v debootstrap >/dev/null 2>&1; then
    apt-get install -y -q debootstrap ||
        { apt-get update -q && apt-get install -y -q debootstrap; }
fi

if [ ! -e "$ROOT/.stage-debootstrap" ]; then
    # A half-made root from an interrupted run is not ours to guess about.
    if [ -n "$(ls -A "$ROOT" 2>/dev/null)" ]; then
        die "$ROOT exists but is not a finished root; remove it first"
    fi
    mkdir -p "$ROOT"
    debootstrap --variant=minbase trixie "$ROOT" "$MIRROR"
    touch "$ROOT/.stage-debootstrap"
fi

if [ ! -e "$ROOT/.stage-wine" ]; then
    # wine64 has the 64-bit loader and wineserver, libwine the DLLs; the
    # "wine" wrapper package is not needed, run-wine.sh calls wine64 itself.
    in_root apt-get update -q
    in_root apt-get install -y -q --no-install-recommends wine64 libwine
    touch "$ROOT/.stage-wine"
fi

if [ "$I386_PE" = 1 ] && [ ! -e "$ROOT/.stage-i386-pe" ]; then
    # Debian's amd64 libwine has wow64.dll but not the 32-bit PE DLLs, so a
    # 32-bit program fails to load syswow64\ntdll.dll. They are PE files, not
    # Linux code: unpack them from libwine:i386 without installing it.
    in_root dpkg --add-architecture i386
    in_root apt-get update -q
    rm -rf "$ROOT/tmp/libwine-i386"
    mkdir -p "$ROOT/tmp/libwine-i386"
    chmod 777 "$ROOT/tmp/libwine-i386" # apt downloads as user _apt
    in_root sh -c 'cd /tmp/libwine-i386 &&
        apt-get download -q "libwine:i386=$(dpkg-query -W -f="\${Version}" libwine:amd64)" &&
        dpkg-deb -x libwine_*_i386.deb x'
    cp -a "$ROOT/tmp/libwine-i386/x/usr/lib/i386-linux-gnu/wine/i386-windows/." \
        "$ROOT/usr/lib/x86_64-linux-gnu/wine/i386-windows/"
    rm -rf "$ROOT/tmp/libwine-i386"
    touch "$ROOT/.stage-i386-pe"
fi

in_root apt-get clean
rm -rf "$ROOT"/var/lib/apt/lists/*_Packages* \
    "$ROOT"/var/lib/apt/lists/*_Translation* 2>/dev/null || true
touch "$ROOT/.wine-root-ready"
echo "wine root ready: $ROOT"
