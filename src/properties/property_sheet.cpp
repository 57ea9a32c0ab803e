#include "properties/property_sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include "drives/drive_access.h"
#include "drives/drives_page.h"
#include "drives/health_page.h"
#include "drives/smart_alerts.h"
#include "log/logging_page.h"
#include "mail/alerts_page.h"
#include "mail/outbox.h"
#include "properties/about_page.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/settings.h"
#include "state/settings_snapshot.h"
#include "state/settings_store.h"
#include "ui/page_protocol.h"
#include "ui/tray_icon.h"
#include "volumes/free_space_alerts.h"
#include "volumes/volumes_page.h"

namespace {

struct PageRow {
    int templateId;
    DLGPROC procedure;
};

// In tab order; the sheet opens on the first.
const PageRow Pages[] = {
    {IDD_DRIVES_PAGE, DrivesPageProc},
    {IDD_HEALTH_PAGE, HealthPageProc},
    {IDD_VOLUMES_PAGE, VolumesPageProc},
    {IDD_ALERTS_PAGE, AlertsPageProc},
    {IDD_LOGGING_PAGE, LoggingPageProc},
    {IDD_ABOUT_PAGE, AboutPageProc},
};
constexpr int PageCount = sizeof Pages / sizeof Pages[0];

HWND CommitOwner;

void StoreEmailTexts()
{
    StoreGlobalText("EmailFrom", GlobalSettings.EmailFrom);
    StoreGlobalText("EmailTo", GlobalSettings.EmailTo);
    StoreGlobalText("EmailServer", GlobalSettings.EmailServer);
}

void ApplySMARTEnabled(int drive)
{
    DriveRecord &record = Drives[drive];
    StoreDriveFlag(record, "SMARTEnabled", record.SMARTEnabled);
    ApplyDriveSMART(drive, CommitOwner);
}

void ApplySimulateError(int drive)
{
    DriveRecord &record = Drives[drive];
    if (!record.SimulateError) {
        StoreDriveFlag(record, "SimulateError", 0);
        return;
    }
    RaiseDriveAlert(DriveAlert::SimulatedSMARTError, drive, CommitOwner);
}

void StoreDriveWatch(int drive)
{
    StoreDriveWatchSettings(Drives[drive]);
}

void StoreVolumeFlagOf(int volume, const char *name, int32_t value)
{
    StoreVolumeFlag(Volumes[volume], name, value);
}

void StoreVolumeNumberOf(int volume, const char *name, uint32_t value)
{
    StoreVolumeNumber(Volumes[volume], name, value);
}

void StartPollingTimer(HWND window, UINT_PTR timer, uint32_t index)
{
    SetTimer(window, timer, PollingPeriods[ValidPollingIndex(index)].Milliseconds, nullptr);
}

// Creates the pages in tab order and returns how many were created.
int CreatePages(HPROPSHEETPAGE (&pages)[PageCount])
{
    int created = 0;
    for (const PageRow &row : Pages) {
        PROPSHEETPAGEA page = {};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_HASHELP;
        page.hInstance = Instance;
        page.pszTemplate = MAKEINTRESOURCEA(row.templateId);
        page.pfnDlgProc = row.procedure;
        HPROPSHEETPAGE handle = CreatePropertySheetPageA(&page);
        if (handle)
            pages[created++] = handle;
    }
    return created;
}

// Shows the modal sheet with the snapshot taken; returns once it has closed.
void RunSheet(HWND commandWindow)
{
    PropertiesOpen = 1;
    PropertiesCancelled = 0;
    // A page records its window when first shown; until then no old window may be refreshed.
    DrivesPageWindow = nullptr;
    VolumesPageWindow = nullptr;
    HPROPSHEETPAGE pages[PageCount];
    int created = CreatePages(pages);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_USEHICON | PSH_NOAPPLYNOW;
    sheet.hwndParent = commandWindow;
    sheet.hInstance = Instance;
    sheet.hIcon = NormalIcon;
    sheet.pszCaption = "HOLMVARD Properties";
    sheet.nPages = static_cast<UINT>(created);
    sheet.nStartPage = 0;
    sheet.phpage = pages;
    TakeSettingsSnapshot();
    TestEmailDialog = nullptr;
    PropertySheetA(&sheet);
    PropertiesOpen = 0;
}

}  // namespace

void OpenProperties(HWND commandWindow)
{
    if (PropertiesOpen) {
        SetForegroundWindow(PropertySheetWindow);
        return;
    }
    // A message box of the commit (a mail or log failure) lets the tray ask
    // again; a sheet opened then would take a new snapshot, and the rest of
    // the commit would find nothing left to write.
    static bool committing = false;
    if (committing)
        return;
    KillTimer(commandWindow, SMARTTimer);
    KillTimer(commandWindow, FreeSpaceTimer);
    // Retries would send with the Alerts page's settings before Cancel can roll them back.
    KillTimer(commandWindow, OutboxTimer);
    RunSheet(commandWindow);

    if (PropertiesCancelled) {
        RestoreSettingsSnapshot();
    } else {
        CommitOwner = commandWindow;
        const CommitSteps steps = {StoreGlobalNumber,  StoreGlobalFlag,   StoreEmailTexts,    ApplySMARTEnabled,
                                   ApplySimulateError, StoreDriveWatch,   StoreVolumeFlagOf, StoreVolumeNumberOf};
        committing = true;
        CommitSettings(steps);
        committing = false;
        RequestMetricsFile();
    }
    ResumeDriveSMART(commandWindow);
    // The drives are asked on the worker; its answers refresh the tray again.
    // A round that finished while the sheet was open is taken first.
    RequestSMARTCheck(commandWindow);
    CheckFreeSpace(commandWindow);
    UpdateTrayStatus(commandWindow);
    StartPollingTimer(commandWindow, SMARTTimer, GlobalSettings.SMARTPollingPeriod);
    StartPollingTimer(commandWindow, FreeSpaceTimer, GlobalSettings.FreeSpacePollingPeriod);
    ScheduleKeptMail(commandWindow);
}
