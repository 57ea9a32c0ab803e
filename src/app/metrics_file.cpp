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

char MetricsText[MetricsTextSize];

uint32_t IntervalSeconds(uint32_t pollingIndex)
{
    return PollingPeriods[ValidPollingIndex(pollingIndex)].Milliseconds / 1000;
}

}  // namespace

void WriteMetricsFile()
{
    const char *path = GlobalSettings.MetricsFile;
    char temporary[SettingsTextSize + 8];
    if (!path[0] || !FormatInto(temporary, "%s.tmp", path))
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
    size_t length = 0;
    if (!FormatMetrics(inputs, MetricsText, sizeof MetricsText, length))
        return;
    {
        FileHandle file(
            CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (file.handle == INVALID_HANDLE_VALUE ||
            !WriteFile(file.handle, MetricsText, static_cast<DWORD>(length), &written, nullptr) || written != length)
            return;
    }
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING))
        DeleteFileA(temporary);
}
