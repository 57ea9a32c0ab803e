#!/usr/bin/env bash
# Sourced by the long runs (bench.sh, soak.sh) once they have set root:
# installs what is missing and builds, then starts a private Xvfb and a Wine
# prefix of their own, build/NAME/wineprefix, both stopped when the caller
# exits. A failure exits the caller.
#   . scripts/wine-session.sh NAME
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" >/dev/null || { echo "build failed"; exit 1; }
. "$root/scripts/xvfb.sh"
. "$root/scripts/wine-env.sh" "$root/build/$1/wineprefix"
cleanup() {
    wineserver -k >/dev/null 2>&1
    stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM
start_xvfb || exit 1
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
