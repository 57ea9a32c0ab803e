// Start-up, the main loop and shutdown.
#include <windows.h>
#include <commctrl.h>

#include "app/command_window.h"
#include "app/drive_rescan.h"
#include "app/discovery.h"
#include "app/message_loop.h"
#include "app/os_check.h"
#include "app/splash.h"
#include "base/bounded_text.h"
#include "base/code_page.h"
#include "drives/drive_access.h"
#include "history/drive_history.h"
#include "drives/drive_worker.h"
#include "drives/smart_alerts.h"
#include "log/event_log.h"
#include "mail/outbox.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/settings.h"
#include "state/settings_store.h"
#include "state/volume_table.h"
#include "ui/tray_icon.h"
#include "ui/window_dpi.h"
#include "volumes/free_space_alerts.h"

namespace {

// One instance per PC, not per session: two signed-in administrators would watch the same drives twice.
const char InstanceMutexName[] = "Global\\HOLMVARD Unique Instance";

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

void RegisterControlClasses()
{
    // The pages and dialogs use property sheets, trackbars, progress bars and
    // tabs: register every class they need, not only the tab set.
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&classes);
}

// Start-up's drive work runs on the drive worker while the window thread goes
// on answering: a drive that never answers must not hold the tray, the command
// window or a dialog. The results are taken in the order start-up always had.
bool DriversOpened;

void FindDrives(void *)
{
    DriversOpened = DiscoverDrives(OsKind);
}

void PrepareDrivesSMART(void *)
{
    for (uint8_t i = 0; i < DriveCount; i++)
        PrepareDriveSMART(Drives[i]);
}

bool StartupWorkDone()
{
    return !DriveWorkOut(StartupJob);
}

// False when Close came while the worker had it.
bool RunOnDriveWorker(void (*work)(void *), bool tableFilled)
{
    if (!QueueDriveWork(StartupJob, work, nullptr, CommandWindow)) {
        work(nullptr);
        return true;
    }
    return RunMessageLoopUntil(StartupWorkDone, tableFilled);
}

// The start-up check's answers are taken as soon as the worker is done, even
// if its message never came.
bool StartupCheckDone()
{
    if (SMARTCheckOut() && !DriveWorkOut(StatusRoundJob))
        FinishSMARTCheck(CommandWindow);
    return !SMARTCheckOut();
}

// Loads each drive's settings and puts the drive into the SMART state they ask
// for; false when Close came meanwhile.
bool PrepareDrives()
{
    for (uint8_t i = 0; i < DriveCount; i++) {
        DriveRecord &drive = Drives[i];
        LoadDriveSettings(drive);
        drive.ErrorDialog = nullptr;
        drive.SimulatedErrorDialog = nullptr;
        drive.CautionDialog = nullptr;
        drive.TemperatureDialog = nullptr;
    }
    return RunOnDriveWorker(PrepareDrivesSMART, false);
}

void PrepareVolumes()
{
    for (uint8_t i = 0; i < VolumeCount; i++) {
        LoadVolumeSettings(Volumes[i]);
        Volumes[i].ErrorDialog = nullptr;
    }
}

// Tells the user why the program cannot run and takes the tray icon down; the
// drive devices are closed too once discovery has opened them. WinMain returns 0.
int RefuseToRun(const char *text, const char *caption, UINT icon, bool devicesOpen)
{
    MessageBoxA(CommandWindow, text, caption, icon | MB_OK);
    ShutdownTray(CommandWindow);
    if (devicesOpen && StopDriveWorker())
        CloseDriveDevices(OsKind);
    return 0;
}

// Ends the run after the quit message: nothing is written for what is still out.
int ShutDown()
{
    KillTimer(CommandWindow, SMARTTimer);
    KillTimer(CommandWindow, FreeSpaceTimer);
    KillTimer(CommandWindow, OutboxTimer);
    KillTimer(CommandWindow, RescanTimer);
    // Gone from the taskbar at once, whatever the threads still take.
    NotifyTrayIcon(CommandWindow, NormalIcon, NIM_DELETE);
    StopKeptMailRetry();
    CloseHistoryWindows();
    // Answers the worker brings after this find no window: nothing is written.
    ShutdownTray(CommandWindow);
    // A worker still out may be using the handles; they go with the process.
    if (StopDriveWorker()) {
        CloseDriveDevices(OsKind);
        CloseReplacedDevices();
    }
    return 1;
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
    AdoptProcessCodePage();
    // The handle is never closed: the mutex marks this instance until the process ends.
    CreateMutexA(nullptr, TRUE, InstanceMutexName);
    // Another user's instance may have made the mutex one we may not open.
    DWORD mutexError = GetLastError();
    if (mutexError == ERROR_ALREADY_EXISTS || mutexError == ERROR_ACCESS_DENIED)
        return 0;

    Instance = instance;
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    NormalIcon = LoadNotificationIcon(Instance, IDI_NORMAL);
    ErrorIcon = LoadNotificationIcon(Instance, IDI_ERROR_STATE);
    RegisterControlClasses();

    CommandWindow = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_COMMAND_WINDOW), nullptr, CommandWindowProc, 0);
    // Without the command window there is no owner for the timers, the tray icon
    // or any message box: the program cannot run.
    if (!CommandWindow)
        return 0;
    AllowTaskbarCreated(CommandWindow);
    RegisterDeviceNotices(CommandWindow);

    if (!CheckOsVersion(OsKind))
        return RefuseToRun(OsVersionErrorText, "OS Version Error", MB_ICONINFORMATION, false);
    ShowSplash();

    if (!RunOnDriveWorker(FindDrives, false))
        return ShutDown();
    if (!DriversOpened)
        return RefuseToRun(SmartDriverErrorText, "SMART Driver Error", MB_ICONEXCLAMATION, false);
    if (!PrepareDrives())
        return ShutDown();

    DiscoverVolumes();
    // A PC whose drives all stay out of reach still has its volumes watched.
    if (DriveCount == 0 && VolumeCount == 0)
        return RefuseToRun(NoDriveErrorText, "IDE Drive Error", MB_ICONEXCLAMATION, true);
    PrepareVolumes();
    LoadGlobalSettings();
    RegisterLogEventSource();

    CopyText(TrayTip, InitialTrayTip);
    NotifyTrayIcon(CommandWindow, NormalIcon, NIM_ADD);
    // Alerts stored by an earlier run and never acknowledged come back here.
    RequestSMARTCheck(CommandWindow);
    if (!RunMessageLoopUntil(StartupCheckDone, true))
        return ShutDown();
    CheckFreeSpace(CommandWindow);
    UpdateTrayStatus(CommandWindow);
    StartPollingTimers();
    ScheduleKeptMail(CommandWindow);
    FinishStartup(CommandWindow);

    RunMessageLoop();
    return ShutDown();
}
