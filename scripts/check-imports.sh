#!/usr/bin/env bash
# Fails unless each executable imports only Windows system DLLs: the programs
# are linked statically and must run on a bare Windows installation. Sockets,
# TLS, certificates, printing and the common dialogs are loaded at their first
# use, so no executable may import them: start-up would load them for everyone.
set -u
allowed='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|MSVCRT|SHELL32|USER32)(\.DLL)?$'
late='^(COMDLG32|CRYPT32|SECUR32|WINSPOOL\.DRV|WS2_32|WSOCK32)(\.DLL)?$'
status=0
for exe in "$@"; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    [ -n "$dlls" ] || { echo "$exe: no imports found"; status=1; continue; }
    while read -r dll; do
        if grep -qiE "$late" <<<"$dll"; then
            echo "$exe imports $dll, which it must load at its first use"
            status=1
        elif ! grep -qiE "$allowed" <<<"$dll"; then
            echo "$exe imports $dll, which is not a Windows system DLL"
            status=1
        fi
    done <<<"$dlls"
    echo "$exe: $(tr '\n' ' ' <<<"$dlls")"
done
exit $status
