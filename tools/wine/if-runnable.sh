#!/bin/sh
# if-runnable.sh PROGRAM.exe COMMAND [ARGS...]
# Runs COMMAND if Wine can run programs of PROGRAM.exe's machine type here;
# otherwise prints why and exits 77, which the tests report as skipped
# (SKIP_RETURN_CODE). Each test asks for itself: CTest still runs a test
# whose fixture set-up was skipped.
set -eu
[ $# -ge 2 ] || { echo "usage: if-runnable.sh PROGRAM.exe COMMAND [ARGS...]" >&2; exit 2; }
wine=$(dirname "$(readlink -f "$0")")/run-wine.sh
set +e
reason=$("$wine" --check "$1")
rc=$?
set -e
case $rc in
    0) ;;
    1)
        echo "SKIP: $reason"
        exit 77
        ;;
    *) exit "$rc" ;; # a broken set-up is a failure, not a skip
esac
shift
exec "$@"
