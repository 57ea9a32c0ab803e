#!/usr/bin/env bash
# Runs one Windows executable under the project's own Wine prefix (never the
# user's). CTest uses this as the cross-compiling emulator.
#
# The prefix is $HOLMVARD_WINEPREFIX, or "wineprefix" in the nearest build tree
# above the working directory (the folder holding CMakeCache.txt). A new prefix
# gets the display DPI $HOLMVARD_WINE_DPI (96 unless set).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

prefix=${HOLMVARD_WINEPREFIX:-}
if [ -z "$prefix" ]; then
    dir=$PWD
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    [ -f "$dir/CMakeCache.txt" ] || { echo "wine-run: no build tree above $PWD" >&2; exit 2; }
    prefix=$dir/wineprefix
fi

. "$here/wine-env.sh" "$prefix"
"$here/wine-prefix.sh" "$prefix" "${HOLMVARD_WINE_DPI:-96}" || exit 2

# A persistent server keeps Wine's start-up cost out of every test. Its output
# goes nowhere, so it never holds CTest's pipe open.
wineserver -p60 >/dev/null 2>&1 </dev/null

out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
# A server ending just as Wine connects fails the start silently: one more try.
# A test that ran always says something, so a real failure is never retried.
if [ $rc -ne 0 ] && [ ! -s "$out" ]; then
    wineserver -p60 >/dev/null 2>&1 </dev/null
    wine "$@" >"$out" 2>&1 </dev/null
    rc=$?
fi
cat "$out"
rm -f "$out"
exit $rc
