#!/usr/bin/env bash
# Gives the test prefix $1 three extra fixed volumes, backed by folders under $2,
# for the volume tests: P: and R: with labels and serials that fit, Q: with a
# 12-character label, which the 12-byte label buffer cannot take.
set -eu
prefix=$1
root=$2
make_volume() {  # letter label serial
    local folder=$root/$1
    mkdir -p "$folder"
    printf '%s\n' "$2" >"$folder/.windows-label"
    printf '%s\n' "$3" >"$folder/.windows-serial"
    ln -sfn "$folder" "$prefix/dosdevices/$1:"
}
make_volume p FIXTURE 1a2b3c4d
make_volume q LABELTOOLONG 55667788
make_volume r SPARE 0badf00d
