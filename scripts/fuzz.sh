#!/usr/bin/env bash
# Runs every fuzz target for as many inputs as asked (default ten million),
# one after the other, and prints the inputs run per target. A finding stops
# the run with the crashing input saved in build/fuzz/findings/.
#   scripts/fuzz.sh [RUNS] [TARGET...]
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
runs=${1:-10000000}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(identify smart_reply smtp_reply log_pieces stored_value description mail_address)
mkdir -p build/fuzz/findings
for target in "${targets[@]}"; do
    mkdir -p "build/fuzz/corpus/$target"
    start=$(date +%s)
    "build/fuzz/fuzz_$target" -runs="$runs" -max_len=4096 -artifact_prefix="build/fuzz/findings/$target-" \
        "build/fuzz/corpus/$target" "fuzz/corpus/$target" >"build/fuzz/$target.log" 2>&1 ||
        { echo "$target: finding, see build/fuzz/$target.log"; exit 1; }
    echo "$target: $(grep -o 'Done [0-9]* runs' "build/fuzz/$target.log" | tail -1 | cut -d' ' -f2) inputs," \
         "$(( $(date +%s) - start )) s, no finding"
done
