#!/usr/bin/env bash
# Usage: scripts/setup-test.sh BUILD_DIR
# Installs the setup made from BUILD_DIR silently into a Wine prefix of its own,
# upgrades over it while the program runs, uninstalls it, and checks files,
# registry and task after each step. Each failed check prints a line; the exit
# status is the number of failed checks (0: all passed).
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "$1" && pwd)
. "$root/scripts/version.sh"
work="$build/setup-test"
prefix="$build/setup-prefix"
rm -rf "$work" "$prefix" "$prefix.lock"
setup=$("$root/scripts/make-setup.sh" "$build" "$work") || { echo "FAIL: no setup"; exit 1; }
"$root/scripts/wine-prefix.sh" "$prefix" || { echo "FAIL: no prefix"; exit 1; }
. "$root/scripts/wine-env.sh" "$prefix"
trap 'wineserver -k >/dev/null 2>&1' EXIT

folder='C:\Program Files\HOLMVARD'
unix_folder="$prefix/drive_c/Program Files/HOLMVARD"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\HOLMVARD'
source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\HOLMVARD'
settings_key='HKLM\Software\Tessmere\HOLMVARD'
stored_task="$prefix/drive_c/windows/system32/tasks/HOLMVARD"
failures=0
check() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
# The data of one value, or nothing when the key or the value is not there.
value() {
    wine reg query "$1" /v "$2" /reg:64 2>/dev/null </dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
key_gone() { ! wine reg query "$1" /reg:64 >/dev/null 2>&1 </dev/null; }
equals() { [ "$1" = "$2" ]; }
holds() { grep -q -- "$2" <<<"$1"; }
# Windows process ids are not ours to see: the Unix processes of this prefix running the program.
program_pids() {
    local pid
    for pid in $(pgrep -f 'HOLMVARD.holmvard\.exe'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && echo "$pid"
    done
}
wait_for_program() {
    for _ in $(seq 100); do
        [ -n "$(program_pids)" ] && return 0
        sleep 0.2
    done
    return 1
}
# The command window the installer closes it by comes before the splash, at
# the start; Wine draws every window inside its one desktop window, out of
# reach of X tools, so the test gives the start a moment.
wait_for_command_window() {
    wait_for_program && sleep 3
}

echo "== install"
wine "$setup" /S </dev/null >/dev/null 2>&1
for f in holmvard.exe holmvard-drivecheck.exe README.md holmvard-task.xml uninstall.exe; do
    check "installed $f" test -f "$unix_folder/$f"
done
check "installed program is the built one" cmp -s "$unix_folder/holmvard.exe" "$build/holmvard.exe"
check "entry's display name" equals "$(value "$uninstall_key" DisplayName)" HOLMVARD
check "entry's version is the program's" equals "$(value "$uninstall_key" DisplayVersion)" "$version"
check "entry's publisher" equals "$(value "$uninstall_key" Publisher)" Tessmere
check "entry's icon" equals "$(value "$uninstall_key" DisplayIcon)" "$folder\\holmvard.exe,0"
check "entry's install location" equals "$(value "$uninstall_key" InstallLocation)" "$folder"
check "entry's uninstall command" equals "$(value "$uninstall_key" UninstallString)" "\"$folder\\uninstall.exe\""
check "entry's quiet uninstall command" equals "$(value "$uninstall_key" QuietUninstallString)" \
    "\"$folder\\uninstall.exe\" /S"
check "entry's size" holds "$(value "$uninstall_key" EstimatedSize)" '^0x[0-9a-f]*[1-9a-f][0-9a-f]*'
check "event source names the program" equals "$(value "$source_key" EventMessageFile)" "$folder\\holmvard.exe"
task=$(iconv -f UTF-16 -t UTF-8 "$unix_folder/holmvard-task.xml" | tr -d '\r')
check "task starts at logon after a delay" holds "$task" '<LogonTrigger>.*' 
check "task's delay" holds "$task" '<Delay>PT[0-9]*S</Delay>'
check "task runs as the Administrators group" holds "$task" '<GroupId>S-1-5-32-544</GroupId>'
check "task runs with highest privileges" holds "$task" '<RunLevel>HighestAvailable</RunLevel>'
check "task starts the installed program" holds "$task" "<Command>${folder//\\/\\\\}\\\\holmvard.exe</Command>"
# Wine's scheduler service writes the task as it registers it; give a slow start a moment.
for _ in $(seq 20); do [ -f "$stored_task" ] && break; sleep 0.5; done
check "task registered" test -f "$stored_task"
stored=$(tr -d '\r' <"$stored_task" 2>/dev/null)
check "registered task runs on batteries" holds "$stored" '<DisallowStartIfOnBatteries>false<'
check "registered task is not stopped on batteries" holds "$stored" '<StopIfGoingOnBatteries>false<'
check "registered task has no time limit" holds "$stored" '<ExecutionTimeLimit>PT0S<'
check "registered task ignores a second start" holds "$stored" '<MultipleInstancesPolicy>IgnoreNew<'

echo "== upgrade over the running program"
wine reg add "$settings_key" /v SetupKeepsThis /d kept /f /reg:64 >/dev/null 2>&1 </dev/null
wine "$folder\\holmvard.exe" </dev/null >/dev/null 2>&1 &
check "program started" wait_for_program
check "program's command window up" wait_for_command_window
before=$(program_pids)
wine "$setup" /S </dev/null >/dev/null 2>&1
check "running program was closed" test -z "$(for p in $before; do kill -0 "$p" 2>/dev/null && echo "$p"; done)"
check "program started again" wait_for_program
check "settings kept over the upgrade" equals "$(value "$settings_key" SetupKeepsThis)" kept
check "entry still there" equals "$(value "$uninstall_key" DisplayVersion)" "$version"
check "program's command window up again" wait_for_command_window

echo "== uninstall"
wine "$folder\\uninstall.exe" /S </dev/null >/dev/null 2>&1
# The uninstaller goes on from a copy of itself in the temporary folder.
for _ in $(seq 150); do
    [ -f "$unix_folder/uninstall.exe" ] || break
    sleep 0.2
done
sleep 1
check "running program was closed" test -z "$(program_pids)"
for f in holmvard.exe holmvard-drivecheck.exe README.md holmvard-task.xml uninstall.exe; do
    check "removed $f" test ! -e "$unix_folder/$f"
done
check "entry removed" key_gone "$uninstall_key"
check "event source removed" key_gone "$source_key"
check "task removed" test ! -e "$stored_task"
check "settings kept" equals "$(value "$settings_key" SetupKeepsThis)" kept

echo "setup test: $failures failed"
exit "$failures"
