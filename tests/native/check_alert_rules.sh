#!/usr/bin/env bash
# Loads every rules file shown in a Markdown page (a fenced yaml block that
# starts with "groups:") with promtool, as Prometheus would load it. Fails when
# the page shows none, so a page that loses its rules does not pass unread.
set -eu
page=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
awk -v folder="$folder" '
    /^```yaml[[:space:]]*$/ { inside = 1; first = 1; next }
    inside && /^```[[:space:]]*$/ { inside = 0; if (file) close(file); file = ""; next }
    inside && first { first = 0; if ($0 ~ /^groups:/) file = sprintf("%s/rules-%d.yml", folder, ++count) }
    inside && file { print > file }
' "$page"
shopt -s nullglob
files=("$folder"/rules-*.yml)
if [ ${#files[@]} -eq 0 ]; then
    echo "no rules file in $page" >&2
    exit 1
fi
command -v promtool >/dev/null || { echo "promtool is missing (Debian package prometheus)" >&2; exit 1; }
promtool check rules "${files[@]}"
