#!/usr/bin/env bash
# Usage: scripts/make-setup.sh BUILD_DIR OUT_DIR
# Makes OUT_DIR/holmvard-<version>-setup.exe with makensis from the executables
# in BUILD_DIR, and OUT_DIR/holmvard-task.xml, the logon task for the program in
# C:\Program Files\HOLMVARD that the zip carries. Prints the setup's path.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
. "$root/scripts/version.sh"
template="$root/src/resources/holmvard-task.xml"

# The zip's copy: UTF-16 with a byte order mark and CRLF, as schtasks /XML reads it.
sed -e 's/@PROGRAM@/%ProgramFiles%\\HOLMVARD\\holmvard.exe/' -e 's/$/\r/' "$template" |
    iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$out/holmvard-task.xml"

# Setup's copy names the folder chosen: each line becomes an NSIS write, with
# NSIS's $ and " escaped before $INSTDIR goes in.
lines="$out/holmvard-task-lines.nsh"
sed -e 's/\$/$$/g' -e 's/"/$\\"/g' -e 's/@PROGRAM@/$INSTDIR\\holmvard.exe/' \
    -e 's/^\(.*\)$/FileWriteUTF16LE $0 "\1$\\r$\\n"/' "$template" >"$lines"

setup="$out/holmvard-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DBUILD="$build" -DROOT="$root" -DTASK_LINES="$lines" -DOUTFILE="$setup" \
    "$root/src/resources/holmvard-setup.nsi" >&2
rm -f "$lines"
echo "$setup"
