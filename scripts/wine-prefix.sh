#!/usr/bin/env bash
# Creates the Wine prefix $1 once: a 64-bit prefix whose programs share one
# virtual desktop with a taskbar, so the tray icon shows and a test driver finds
# the program's windows. $2, when given, is the display's DPI (96, 100 %, by
# default; 144 is 150 %).
set -u
prefix=$1
dpi=${2:-96}
[ -f "$prefix/.holmvard-ready" ] && exit 0
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh" "$prefix"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.holmvard-ready" ] && exit 0

rm -rf "$prefix"
wineboot --init >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Explorer' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
# Every Wine process reads the DPI once as it starts.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
wineserver -w
[ -d "$prefix/drive_c" ] || { echo "wine-prefix: could not create $prefix" >&2; exit 1; }
touch "$prefix/.holmvard-ready"
