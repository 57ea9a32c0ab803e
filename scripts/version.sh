# Sourced: sets version to the program's one version, the About page's line in the resource script.
version=$(sed -n 's/.*"HOLMVARD Version \([0-9][0-9.]*\)\\n.*/\1/p' "$root/src/resources/holmvard.rc")
[ -n "$version" ] || { echo "no version line in src/resources/holmvard.rc" >&2; exit 1; }
