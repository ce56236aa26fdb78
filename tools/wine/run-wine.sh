#!/bin/sh
# Runs a Windows console program under the Wine of the root that
# setup-wine-root.sh builds. Needs root (for the mount namespace and chroot).
#
#   run-wine.sh PROGRAM.exe [ARGS...]  run it; its exit status is ours
#   run-wine.sh --init                 create and initialise the prefix (once)
#   run-wine.sh --server-start         start a persistent wineserver
#   run-wine.sh --server-stop          end it
#   run-wine.sh --check PROGRAM.exe    status 0 if programs of its machine
#                                      type (i386, x86-64) can run here, else
#                                      1; one line on stdout says which
#
# The program keeps the caller's working directory and sees the host's files
# at their own paths: each top-level host directory but the system ones is
# bind-mounted into the root, in a private mount namespace, so nothing stays
# mounted after a run. stdin, stdout and stderr pass through untouched.
#
#   WINE_ROOT   the root (default /opt/wine-root)
#   WINEPREFIX  the prefix (default /tmp/wine-prefix-$UID); it must be seen in
#               the root too, so not under /usr, /etc, /var, ...
#   WINEDEBUG   default -all
set -eu

ROOT=${WINE_ROOT:-/opt/wine-root}
PREFIX=${WINEPREFIX:-/tmp/wine-prefix-$(id -u)}
LOADER=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver64
PE_DIR=/usr/lib/x86_64-linux-gnu/wine

die() {
    echo "run-wine.sh: $*" >&2
    exit 125
}

# The host's own system directories; the root has its own of these.
is_system_dir() {
    case $1 in
        bin | boot | dev | etc | lib | lib32 | lib64 | libx32 | lost+found | proc | run | sbin | sys | usr | var) return 0 ;;
        *) return 1 ;;
    esac
}

# Inside the private namespace: mount, chroot, cd, run.
if [ "${1-}" = --inside ]; then
    shift
    cwd=$1
    shift
    for d in /*; do
        name=${d#/}
        if [ ! -d "$d" ] || [ -L "$d" ]; then continue; fi
        is_system_dir "$name" && continue
        mkdir -p "$ROOT/$name"
        mount --rbind "$d" "$ROOT/$name"
    done
    mount -t proc proc "$ROOT/proc"
    mount --rbind /dev "$ROOT/dev"
    mount --rbind /sys "$ROOT/sys"
    exec chroot "$ROOT" /usr/bin/env -u DISPLAY -u WAYLAND_DISPLAY \
        PATH=/usr/bin:/bin HOME="${HOME:-/root}" WINELOADER="$LOADER" \
        WINEPREFIX="$PREFIX" WINEDEBUG="${WINEDEBUG:--all}" \
        /bin/sh -c 'cd "$1" || exit 125; shift; exec "$@"' sh "$cwd" "$@"
fi

[ "$(id -u)" = 0 ] || die "must run as root"
[ -e "$ROOT/.wine-root-ready" ] || die "no Wine root at $ROOT (run setup-wine-root.sh)"
case $PREFIX in
    /*) ;;
    *) die "WINEPREFIX must be absolute: $PREFIX" ;;
esac

# Whether a host path is also seen, at the same place, in the root.
visible() {
    t=${1#/}
    t=${t%%/*}
    [ -n "$t" ] && ! is_system_dir "$t"
}
visible "$PREFIX" || die "WINEPREFIX is not seen in the root: $PREFIX"
self=$(readlink -f "$0")
cwd=$(pwd -P)
visible "$cwd" || die "working directory not seen in the root: $cwd"

in_root() {
    unshare -m --propagation private "$self" --inside "$cwd" "$@"
}

init_prefix() {
    [ -e "$PREFIX/.run-wine-ready" ] && return 0
    mkdir -p "$PREFIX"
    log=$PREFIX/init.log
    # No mscoree/mshtml: no attempt to install Mono or Gecko. Graphics=null:
    # no display driver probing, which writes to stderr without a display.
    if in_root env WINEDLLOVERRIDES="mscoree,mshtml=" "$LOADER" wineboot.exe --init >"$log" 2>&1 &&
        in_root "$LOADER" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log" 2>&1 &&
        in_root "$SERVER" -w >>"$log" 2>&1; then
        touch "$PREFIX/.run-wine-ready"
    else
        cat "$log" >&2
        die "prefix initialisation failed: $PREFIX"
    fi
}

# The machine type in a PE file's header: i386, x86-64 or what it is.
pe_machine() {
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] || return 1
    signature=$(od -An -tx1 -j"$offset" -N4 "$1" 2>/dev/null | tr -d ' ')
    [ "$signature" = 50450000 ] || return 1
    machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
    case $machine in
        014c) echo i386 ;;
        8664) echo x86-64 ;;
        *) echo "machine-$machine" ;;
    esac
}

# Whether Wine's own cmd.exe of that machine type runs and passes an exit
# status through. A machine that cannot execute 32-bit x86 code at all fails
# it for i386 whatever Wine does. The answer is kept in the prefix: it is a
# property of the machine, and tests ask it once each.
check_machine() {
    arch=$1
    case $arch in
        i386) probe=$PE_DIR/i386-windows/cmd.exe ;;
        x86-64) probe=$PE_DIR/x86_64-windows/cmd.exe ;;
        *)
            echo "run-wine.sh: Wine here runs no $arch programs"
            return 1
            ;;
    esac
    cache=$PREFIX/.run-wine-check-$arch
    if [ ! -e "$cache" ]; then
        init_prefix
        set +e
        timeout 120 unshare -m --propagation private "$self" --inside "$cwd" \
            "$LOADER" "$probe" /c exit 37 </dev/null >/dev/null 2>&1
        rc=$?
        set -e
        if [ "$rc" = 37 ]; then
            line="run-wine.sh: $arch programs run under Wine here"
        else
            line="run-wine.sh: $arch programs cannot run under Wine on this machine (Wine's own $arch cmd.exe ended with status $rc)"
        fi
        # A timeout may be a busy machine, not a property of it: ask again
        # next time. Tests may ask at once: write whole, then rename.
        if [ "$rc" = 124 ]; then
            echo "$line"
            return 1
        fi
        echo "$line" >"$cache.$$"
        mv -f "$cache.$$" "$cache"
    fi
    line=$(cat "$cache")
    echo "$line"
    case $line in
        *" programs run "*) return 0 ;;
        *) return 1 ;;
    esac
}

case ${1-} in
    --init)
        init_prefix
        ;;
    --server-start)
        init_prefix
        # wineserver goes into the background once it is listening.
        in_root "$SERVER" -p </dev/null >/dev/null 2>&1
        # The first program of a new server also starts Wine's background
        # processes (services.exe, ...), which take seconds and would inherit
        # that program's stdout: start them here, on /dev/null.
        in_root "$LOADER" reg.exe query 'HKCU\Software\Wine\Drivers' </dev/null >/dev/null 2>&1 || true
        ;;
    --server-stop)
        in_root "$SERVER" -k </dev/null >/dev/null 2>&1 || true
        ;;
    --check)
        [ $# = 2 ] || die "usage: run-wine.sh --check PROGRAM.exe"
        [ -f "$2" ] || die "no such program: $2"
        arch=$(pe_machine "$2") || die "not a PE program: $2"
        check_machine "$arch"
        ;;
    '' | -*)
        die "usage: run-wine.sh PROGRAM.exe [ARGS...] | --init | --server-start | --server-stop | --check PROGRAM.exe"
        ;;
    *)
        [ -f "$1" ] || die "no such program: $1"
        visible "$(readlink -f "$1")" || die "program not seen in the root: $1"
        init_prefix
        exec unshare -m --propagation private "$self" --inside "$cwd" "$LOADER" "$@"
        ;;
esac
