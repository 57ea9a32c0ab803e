#!/usr/bin/env bash
# Gives the test prefix $1 four extra fixed volumes, backed by folders under $2,
# for the volume tests: P: and R: with labels and serials that fit, Q: with a
# 16-character label, longer than the volume record's 12-byte label field, and
# S: with a Cyrillic label (UTF-8 in its file), outside any Western code page,
# whose eleventh byte falls inside a character.
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
make_volume q "Backup Drive 2TB" 55667788
make_volume r SPARE 0badf00d
# "Rezervnaya kopiya" in Cyrillic letters.
make_volume s $'\xD0\xA0\xD0\xB5\xD0\xB7\xD0\xB5\xD1\x80\xD0\xB2\xD0\xBD\xD0\xB0\xD1\x8F \xD0\xBA\xD0\xBE\xD0\xBF\xD0\xB8\xD1\x8F' c0ffee00
