#include "app/metrics_file.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "mail/outbox.h"
#include "state/drive_table.h"
#include "state/metrics_text.h"
#include "state/settings.h"
#include "state/settings_snapshot.h"
#include "state/volume_table.h"
#include "ui/page_protocol.h"

namespace {

char TemporaryPath[SettingsTextSize + 8];

// The textfile collector holds the file open while it reads it, and a rename
// over an open file fails. The rename is tried again from a timer rather than
// in a loop of sleeps, so the tray, the alert dialogs and the sheet go on
// answering meanwhile: four more tries over a second. A thread timer, since
// an id on the command window could replace one of its polling timers.
constexpr UINT RenameRetryMs = 250;
constexpr int RenameRetries = 4;
UINT_PTR RenameRetryTimer;
int RenameRetriesLeft;

void StopRenameRetries()
{
    if (RenameRetryTimer)
        KillTimer(nullptr, RenameRetryTimer);
    RenameRetryTimer = 0;
}

bool RenameIntoPlace()
{
    return MoveFileExA(TemporaryPath, GlobalSettings.MetricsFile, MOVEFILE_REPLACE_EXISTING) != 0;
}

void CALLBACK RetryRename(HWND, UINT, UINT_PTR, DWORD)
{
    if (RenameIntoPlace()) {
        StopRenameRetries();
    } else if (--RenameRetriesLeft <= 0) {
        StopRenameRetries();
        DeleteFileA(TemporaryPath);
    }
}

uint32_t IntervalSeconds(uint32_t pollingIndex)
{
    return PollingPeriods[ValidPollingIndex(pollingIndex)].Milliseconds / 1000;
}

bool WriteTemporaryFile(const char *text, size_t length)
{
    FileHandle file(
        CreateFileA(TemporaryPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.handle != INVALID_HANDLE_VALUE &&
           WriteFile(file.handle, text, static_cast<DWORD>(length), &written, nullptr) && written == length;
}

}  // namespace

void WriteMetricsFile()
{
    // This text supersedes whatever an earlier write left to rename.
    StopRenameRetries();
    const char *path = GlobalSettings.MetricsFile;
    if (!path[0] || !FormatInto(TemporaryPath, "%s.tmp", path))
        return;
    // The sheet's pages change GlobalSettings as the user chooses; until OK
    // restarts the timers, the periods it opened with are the ones in force.
    const GlobalSettingsRecord &periods = PropertiesOpen ? SettingsSnapshot.Global : GlobalSettings;
    const MetricsInputs inputs = {Drives,
                                  DriveCount,
                                  Volumes,
                                  VolumeCount,
                                  CountKeptMail(),
                                  LastSMARTCheckTime,
                                  LastFreeSpaceCheckTime,
                                  IntervalSeconds(periods.SMARTPollingPeriod),
                                  IntervalSeconds(periods.FreeSpacePollingPeriod)};
    // Room for a full bay, taken for the write and given back to the system:
    // a text written once a check must not stay resident between checks.
    char *text = static_cast<char *>(VirtualAlloc(nullptr, MetricsTextSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!text)
        return;
    size_t length = 0;
    bool formatted = FormatMetrics(inputs, text, MetricsTextSize, length);
    bool written = formatted && WriteTemporaryFile(text, length);
    VirtualFree(text, 0, MEM_RELEASE);
    if (!formatted)
        return;
    if (!written) {
        DeleteFileA(TemporaryPath);
        return;
    }
    if (RenameIntoPlace())
        return;
    RenameRetriesLeft = RenameRetries;
    RenameRetryTimer = SetTimer(nullptr, 0, RenameRetryMs, RetryRename);
    if (!RenameRetryTimer)
        DeleteFileA(TemporaryPath);
}
