#!/usr/bin/env bash
# The long soak: 10,000 checks (or as many as asked) posted to the running
# program under Wine, printing its figures at the start and at the end.
#   scripts/soak.sh [CHECKS]
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# A prefix of its own, so a soak can run beside the test command.
. "$root/scripts/wine-session.sh" soak
"$root/scripts/volume-fixtures.sh" "$WINEPREFIX" "$root/build/soak/volume-fixtures"
# Not through CTest, whose time limit for an end-to-end test is two minutes.
HOLMVARD_WINEPREFIX=$WINEPREFIX HOLMVARD_SOAK_CHECKS=${1:-10000} "$root/scripts/wine-run.sh" build/windows/holmvard_e2e_tests.exe \
    --gtest_filter='Soak.*'
