#!/usr/bin/env bash
# Copies the screenshots the end-to-end tests saved into docs/screenshots as
# PNG files for the README, with those taken at 150 % scale (144 DPI). Run
# after scripts/test.sh.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
shots=$root/build/windows/artifacts
out=$root/docs/screenshots
mkdir -p "$out"
for name in drives-page volumes-page alerts-page logging-page about-page smart-error-dialog \
            free-space-error-dialog two-free-space-alerts offline-tests splash smart-caution-dialog \
            drive-temperature-dialog health-page history-window \
            drives-page-144dpi smart-error-dialog-144dpi splash-144dpi; do
    [ -f "$shots/$name.bmp" ] || { echo "missing $shots/$name.bmp" >&2; exit 1; }
    convert "$shots/$name.bmp" -strip "$out/$name.png"
done
echo "Screenshots in $out"
