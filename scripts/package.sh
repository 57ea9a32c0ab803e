#!/usr/bin/env bash
# Usage: scripts/package.sh [--check] [BUILD_DIR]
# Makes BUILD_DIR/holmvard-<version>.zip (BUILD_DIR defaults to build/windows)
# from holmvard.exe, holmvard-drivecheck.exe, README.md and the logon task
# holmvard-task.xml, BUILD_DIR/holmvard-<version>-setup.exe and SHA256SUMS of
# the two; the version is the one the About page shows, from the resource
# script. Builds the two executables first. --check builds nothing: it makes
# the zip in a temporary folder, unpacks it and fails unless it holds exactly
# those four files, the same bytes, and executables that import only Windows
# system DLLs.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi
build=$(cd "${1:-$root/build/windows}" 2>/dev/null && pwd) || { echo "no build folder ${1:-build/windows}" >&2; exit 1; }

. "$root/scripts/version.sh"
files=(holmvard.exe holmvard-drivecheck.exe README.md holmvard-task.xml)

if [ $check -eq 0 ]; then
    cmake --build "$build" --target holmvard holmvard-drivecheck >/dev/null
    out=$build
else
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
fi
zip_file="$out/holmvard-$version.zip"
rm -f "$zip_file"
setup=$("$root/scripts/make-setup.sh" "$build" "$out")
# -j: the four files at the top of the archive; -X: no Unix extra fields.
zip -q -j -X "$zip_file" "$build/holmvard.exe" "$build/holmvard-drivecheck.exe" "$root/README.md" \
    "$out/holmvard-task.xml"
if [ $check -eq 0 ]; then
    (cd "$out" && sha256sum "$(basename "$zip_file")" "$(basename "$setup")" >SHA256SUMS)
    echo "$zip_file"
    echo "$setup"
    echo "$out/SHA256SUMS"
    exit 0
fi

unzip -q "$zip_file" -d "$out/unpacked"
listed=$(unzip -Z1 "$zip_file" | sort | tr '\n' ' ')
expected=$(printf '%s\n' "${files[@]}" | sort | tr '\n' ' ')
[ "$listed" = "$expected" ] || { echo "holmvard-$version.zip holds: $listed; expected: $expected"; exit 1; }
cmp "$out/unpacked/holmvard.exe" "$build/holmvard.exe"
cmp "$out/unpacked/holmvard-drivecheck.exe" "$build/holmvard-drivecheck.exe"
cmp "$out/unpacked/README.md" "$root/README.md"
cmp "$out/unpacked/holmvard-task.xml" "$out/holmvard-task.xml"
"$root/scripts/check-imports.sh" "$out/unpacked/holmvard.exe" "$out/unpacked/holmvard-drivecheck.exe"
echo "holmvard-$version.zip unpacks to ${files[*]}"
