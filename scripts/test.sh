#!/usr/bin/env bash
# Installs what is missing, builds the three builds and runs every test: the
# native unit tests, the fuzz targets for a fixed number of inputs, the Windows
# tests under Wine and the end-to-end tests, which drive the real executables
# under Wine on a private Xvfb display. Ends with the line "N passed, M failed".
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" || { echo "0 passed, 1 failed"; exit 1; }
"$root/scripts/build.sh" || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }

. "$root/scripts/xvfb.sh"
. "$root/scripts/pdf-printer.sh"
. "$root/scripts/wine-env.sh" "$root/build/windows/wineprefix"
mail_folder="$root/build/windows/mail"
tls_mail_folder="$root/build/windows/mail-tls"
# The 150 % scale tests' prefix.
prefix_144dpi="$root/build/windows/wineprefix-144dpi"
sink_pid=""
tls_sink_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix_144dpi wineserver -k >/dev/null 2>&1
    stop_xvfb
    stop_pdf_printer
    [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null && wait "$sink_pid" 2>/dev/null
    [ -n "$tls_sink_pid" ] && kill "$tls_sink_pid" 2>/dev/null && wait "$tls_sink_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb || { echo "0 passed, 1 failed"; exit 1; }
# Before the prefix's first Wine process, which reads the printers once.
rm -rf "$root/build/windows/pdf"
start_pdf_printer "$root/build/windows/pdf" || echo "warning: no PDF printer; the printing tests will fail" >&2
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" || { echo "0 passed, 1 failed"; exit 1; }
"$root/scripts/wine-prefix.sh" "$prefix_144dpi" 144 || { echo "0 passed, 1 failed"; exit 1; }
"$root/scripts/volume-fixtures.sh" "$WINEPREFIX" "$root/build/windows/volume-fixtures"
# The mail server the alert e-mails go to, on loopback port 25 (the program's only port).
rm -rf "$mail_folder"
/usr/bin/python3 "$root/scripts/smtp-sink.py" 127.0.0.1 25 "$mail_folder" &
sink_pid=$!
# The TLS mail servers (587, 465, two that must be refused, and 5465 asking for a client certificate), with throwaway certificates.
"$root/scripts/tls-certificates.sh" "$root/build/windows/tls" || echo "warning: no test certificates" >&2
rm -rf "$tls_mail_folder"
/usr/bin/python3 "$root/scripts/smtp-tls-sink.py" "$tls_mail_folder" "$root/build/windows/tls" &
tls_sink_pid=$!
for port in 25 587 465 2587 4465 5465; do
    for _ in $(seq 50); do
        (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
        sleep 0.2
    done
done

# HOLMVARD_TESTS, a regular expression, runs only the tests whose names match (while working on them).
filter=()
[ -n "${HOLMVARD_TESTS:-}" ] && filter=(-R "$HOLMVARD_TESTS")

passed=0
failed=0
# Adds the counts of a ctest summary line: "NN% tests passed, F tests failed out of T".
count() {
    local summary
    summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$1" | tail -n 1)
    if [ -z "$summary" ]; then
        [ ${#filter[@]} -gt 0 ] && grep -q 'No tests were found' "$1" && return
        failed=$((failed + 1))
        return
    fi
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$summary")
    passed=$((passed + t - f))
    failed=$((failed + f))
}

mkdir -p build/logs
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j2 "${filter[@]}" 2>&1 | tee build/logs/native.txt
count build/logs/native.txt

echo "== fuzz targets, a fixed number of inputs each"
ctest --test-dir build/fuzz --output-on-failure -j2 "${filter[@]}" 2>&1 | tee build/logs/fuzz.txt
count build/logs/fuzz.txt

echo "== Windows and end-to-end tests under Wine"
ctest --test-dir build/windows --output-on-failure --timeout 300 "${filter[@]}" 2>&1 | tee build/logs/windows.txt
count build/logs/windows.txt

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
