#include "app/command_window.h"

#include "app/drive_rescan.h"
#include "app/metrics_file.h"
#include "mail/outbox.h"
#include "drives/drive_access.h"
#include "drives/drive_worker.h"
#include "drives/health_page.h"
#include "drives/smart_alerts.h"
#include "properties/property_sheet.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/tray_icon.h"
#include "volumes/free_space_alerts.h"

namespace {

bool StartingUp = true;
bool PropertiesWanted;

void AskForProperties(HWND window)
{
    if (StartingUp) {
        PropertiesWanted = true;
        return;
    }
    OpenProperties(window);
    // A device change meanwhile waited for the pages to close.
    ResumeDriveRescan(window);
}

void OnCommand(HWND window, WORD command)
{
    switch (command) {
    case IDM_HELP:
        ShowWindowTopic(window, TrayHelpTopic);
        break;
    case IDM_CLOSE:
        PostQuitMessage(0);
        break;
    case IDM_PROPERTIES:
        AskForProperties(window);
        break;
    }
}

void OnTimer(HWND window, UINT_PTR timer)
{
    switch (timer) {
    case SMARTTimer:
        // The drives are asked on the worker; the check ends when its answers come.
        RequestSMARTCheck(window);
        break;
    case FreeSpaceTimer:
        CheckFreeSpace(window);
        UpdateTrayStatus(window);
        break;
    case OutboxTimer:
        RetryKeptMail(window);
        break;
    case TrayAddTimer:
        AddTrayIconAgain(window);
        break;
    case RescanTimer:
        OnRescanTimer(window);
        break;
    }
}

void OnTrayCallback(HWND window, WPARAM iconId, LPARAM mouseMessage)
{
    if (iconId != TrayIconId)
        return;
    switch (mouseMessage) {
    case WM_RBUTTONUP:
        ShowTrayMenu(window);
        break;
    case WM_LBUTTONUP:
        AskForProperties(window);
        break;
    case TrayNoticeClicked:
        ShowNoticedAlert();
        break;
    }
}

void OnDriveWorkDone(HWND window, WPARAM job)
{
    if (job == StatusRoundJob) {
        // Start-up's own status update follows its free-space check.
        if (FinishSMARTCheck(window) && !StartingUp)
            UpdateTrayStatus(window);
        ResumeDriveRescan(window);
    } else if (job == RescanJob) {
        FinishDriveRescan(window);
    } else if (job >= SMARTCommandJob && job < SMARTCommandJob + MaxDrives) {
        FinishDriveSMART(static_cast<int>(job - SMARTCommandJob), window);
    } else if (job == HealthRefreshJob) {
        FinishHealthRefresh();
    }
}

}  // namespace

void FinishStartup(HWND window)
{
    StartingUp = false;
    if (PropertiesWanted)
        PostMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0);
    PropertiesWanted = false;
    AllowDriveRescans(window);
}

INT_PTR CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A re-created taskbar has lost the icon: it comes back as it was.
    if (message == TaskbarCreatedMessage && TaskbarCreatedMessage != 0)
        AddTrayIconAgain(window);
    switch (message) {
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    case WM_TIMER:
        OnTimer(window, wParam);
        break;
    case TrayCallbackMessage:
        OnTrayCallback(window, wParam, lParam);
        break;
    case MetricsMessage:
        WriteMetricsFile();
        break;
    case DriveWorkDoneMessage:
        OnDriveWorkDone(window, wParam);
        break;
    case WM_DEVICECHANGE:
        OnDeviceChange(window, wParam, lParam);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case KeptMailSentMessage:
        FinishKeptMailRetry(window);
        break;
    case CheckOutMessage:
        SetWindowLongPtrA(window, DWLP_MSGRESULT, StartingUp || SMARTCheckOut() || KeptMailRetryOut() || DriveRescanPending() ? 1 : 0);
        return TRUE;
    }
    return FALSE;
}
