// Start-up, the main loop and shutdown.
#include <windows.h>
#include <commctrl.h>

#include "alerts/outbox.h"
#include "app/app_state.h"
#include "base/bounded_text.h"
#include "app/command_window.h"
#include "app/discovery.h"
#include "app/message_loop.h"
#include "app/os_check.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "app/splash.h"
#include "app/tray_icon.h"
#include "drives/drive_table.h"
#include "drives/smart_alerts.h"
#include "drives/smart_commands.h"
#include "volumes/free_space_alerts.h"
#include "volumes/volume_table.h"
#include "resources/resource_ids.h"

namespace {

const char InstanceMutexName[] = "HOLMVARD Unique Instance";

const char OsVersionErrorText[] = "This program requires Windows 95 OSR2\nor greater to operate\n\n"
                                  "Please press OK to continue";
const char SmartDriverErrorText[] =
    "There has been an error opening the\nSMART IOCTL driver. This is caused by\n"
    "a problem with the SMARTVSD.VXD driver.\nThe SMARTVSD.VXD driver must be present\n"
    "in the C:\\Windows\\System\\Iosubsys\nfolder and not have any conflicts in\n"
    "the SMART IOCTL driver subsystem.\n\nPlease press OK to continue";
const char NoDriveErrorText[] = "No IDE drives could be located in the system.\n"
                                "There must be at least one IDE drive installed\n"
                                "and the user must have local administrative\n"
                                "rights for this program to operate.\n\nPlease press OK to continue";

HICON LoadSmallIcon(int id)
{
    // The width metric serves for both dimensions.
    int size = GetSystemMetrics(SM_CXSMICON);
    return static_cast<HICON>(LoadImageA(Instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

void RegisterControlClasses()
{
    // The pages and dialogs use property sheets, trackbars, progress bars and
    // tabs: register every class they need, not only the tab set.
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&classes);
}

// Loads each drive's settings and puts the drive into the SMART state they ask
// for. The results are kept in memory only: a drive that refuses autosave shows
// as disabled for this run while its stored setting stays, so the next start
// tries again.
void PrepareDrives()
{
    for (uint8_t i = 0; i < DriveCount; i++) {
        DriveRecord &drive = Drives[i];
        LoadDriveSettings(drive);
        HANDLE device = drive.Device;
        // Monitoring a drive reached through the storage queries is the program's
        // own switch: nothing is sent to the drive for it.
        if (drive.Access != DriveAccess::SmartIoctl) {
            drive.SMARTSupported = 1;
        } else if (drive.SMARTEnabled == 1) {
            drive.SMARTSupported = EnableSMART(device, drive.DriveNumber) ? 1 : 0;
            drive.SMARTEnabled = EnableAttributeAutosave(device, drive.DriveNumber) ? 1 : 0;
        } else {
            drive.SMARTSupported = 1;
            DisableSMART(device, drive.DriveNumber);
        }
        drive.ErrorDialog = nullptr;
        drive.SimulatedErrorDialog = nullptr;
    }
}

void PrepareVolumes()
{
    for (uint8_t i = 0; i < VolumeCount; i++) {
        LoadVolumeSettings(Volumes[i]);
        Volumes[i].ErrorDialog = nullptr;
    }
}

void StartPollingTimers()
{
    SetTimer(CommandWindow, SMARTTimer, PollingPeriods[ValidPollingIndex(GlobalSettings.SMARTPollingPeriod)].Milliseconds,
             nullptr);
    SetTimer(CommandWindow, FreeSpaceTimer,
             PollingPeriods[ValidPollingIndex(GlobalSettings.FreeSpacePollingPeriod)].Milliseconds, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The handle is never closed: the mutex marks this instance until the process ends.
    CreateMutexA(nullptr, TRUE, InstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    Instance = instance;
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    NormalIcon = LoadSmallIcon(IDI_NORMAL);
    ErrorIcon = LoadSmallIcon(IDI_ERROR_STATE);
    RegisterControlClasses();

    CommandWindow = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_COMMAND_WINDOW), nullptr, CommandWindowProc, 0);
    // Without the command window there is no owner for the timers, the tray icon
    // or any message box: the program cannot run.
    if (!CommandWindow)
        return 0;

    if (!CheckOsVersion(OsKind)) {
        MessageBoxA(CommandWindow, OsVersionErrorText, "OS Version Error", MB_ICONINFORMATION | MB_OK);
        ShutdownTray(CommandWindow);
        return 0;
    }
    ShowSplash();

    if (!DiscoverDrives(OsKind)) {
        MessageBoxA(CommandWindow, SmartDriverErrorText, "SMART Driver Error", MB_ICONEXCLAMATION | MB_OK);
        ShutdownTray(CommandWindow);
        return 0;
    }
    if (DriveCount == 0) {
        MessageBoxA(CommandWindow, NoDriveErrorText, "IDE Drive Error", MB_ICONEXCLAMATION | MB_OK);
        ShutdownTray(CommandWindow);
        CloseDriveDevices(OsKind);
        return 0;
    }
    PrepareDrives();

    DiscoverVolumes();
    PrepareVolumes();
    LoadGlobalSettings();

    CopyText(TrayTip, InitialTrayTip);
    NotifyTrayIcon(CommandWindow, NormalIcon, NIM_ADD);
    // Alerts stored by an earlier run and never acknowledged come back here.
    CheckSMARTStatus(CommandWindow);
    CheckFreeSpace(CommandWindow);
    UpdateTrayStatus(CommandWindow);
    StartPollingTimers();
    ScheduleKeptMail(CommandWindow);

    RunMessageLoop();

    KillTimer(CommandWindow, SMARTTimer);
    KillTimer(CommandWindow, FreeSpaceTimer);
    KillTimer(CommandWindow, OutboxTimer);
    ShutdownTray(CommandWindow);
    CloseDriveDevices(OsKind);
    return 1;
}
