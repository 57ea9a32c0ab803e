#include "app/drive_rescan.h"

#include <dbt.h>

#include <cstring>

#include "app/discovery.h"
#include "base/bounded_text.h"
#include "drives/device_control.h"
#include "drives/drive_access.h"
#include "drives/drive_rescan_plan.h"
#include "drives/drive_worker.h"
#include "drives/smart_alerts.h"
#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/os_kind.h"
#include "state/settings_store.h"
#include "ui/page_protocol.h"
#include "ui/tray_icon.h"
#include "volumes/free_space_alerts.h"

namespace {

// Windows sends a burst of notices for one drive (the disk, its volumes, the
// device tree): one rescan follows the last of them.
constexpr UINT QuietMs = 2000;

// GUID_DEVINTERFACE_DISK.
const GUID DiskInterface = {0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

bool Allowed;    // start-up is over
bool Wanted;     // a notice came and no rescan has started since
bool Started;    // the rescan is queued, running or not yet applied

// What the worker works on: written by the window thread only while no rescan is out.
struct RescanWork {
    DriveRecord table[MaxDrives];   // the table when the rescan started
    uint8_t tableCount;
    DriveRecord found[MaxDrives];   // what the scan found, settings loaded and prepared for new drives
    uint8_t foundCount;
    RescanPlan plan;
};
RescanWork Work;

// Handles the records no longer use. Closed by the next rescan on the worker:
// every job queued before it, which may still carry one, has run by then.
HANDLE Replaced[2 * MaxDrives];
int ReplacedCount;

void Replace(HANDLE device)
{
    if (ReplacedCount < static_cast<int>(sizeof Replaced / sizeof Replaced[0]))
        Replaced[ReplacedCount++] = device;
}

void Rescan(void *)
{
    for (int i = 0; i < ReplacedCount; i++)
        CloseDevice(Replaced[i]);
    ReplacedCount = 0;
    // A drive with a request given up on is left as it is: a new handle would hang the same way.
    bool skip[MaxDrives] = {};
    for (uint8_t r = 0; r < Work.tableCount; r++) {
        const DriveRecord &record = Work.table[r];
        if (!record.Missing && DeviceRequestAbandoned(record.Device))
            skip[record.DeviceNumber] = true;
    }
    Work.foundCount = ScanPhysicalDrives(Work.found, skip);
    for (uint8_t r = 0; r < Work.tableCount && Work.foundCount < MaxDrives; r++) {
        const DriveRecord &record = Work.table[r];
        if (!record.Missing && skip[record.DeviceNumber])
            Work.found[Work.foundCount++] = record;
    }
    PlanRescan(Work.table, Work.tableCount, Work.found, Work.foundCount, Work.plan);
    // A drive that came, or came back, is put into the SMART state its setting asks for, as at start-up.
    for (uint8_t f = 0; f < Work.foundCount; f++) {
        DriveRecord &found = Work.found[f];
        int r = Work.plan.recordOf[f];
        if (r < 0) {
            LoadDriveSettings(found);
        } else if (Work.plan.outcome[r] == RescanOutcome::Returned) {
            found.SMARTEnabled = Work.table[r].SMARTEnabled;
        } else {
            continue;
        }
        PrepareDriveSMART(found);
    }
}

// The record follows the device it was found at now.
void TakeDevice(DriveRecord &record, const DriveRecord &found)
{
    if (found.Device != record.Device)
        Replace(record.Device);
    record.Device = found.Device;
    record.DriveNumber = found.DriveNumber;
    record.DeviceNumber = found.DeviceNumber;
    record.Access = found.Access;
    record.BusType = found.BusType;
    CopyText(record.Bus, found.Bus);
}

// Applies the plan to the table; the drives whose going raises their error
// are listed in vanished. True when anything came, went or moved.
bool ApplyPlan(int (&vanished)[MaxDrives], int &vanishedCount, bool (&resend)[MaxDrives])
{
    bool changed = false;
    for (uint8_t f = 0; f < Work.foundCount; f++) {
        const DriveRecord &found = Work.found[f];
        int r = Work.plan.recordOf[f];
        if (r < 0) {
            // No room left: the drive stays unwatched, as past the last number.
            if (DriveCount >= MaxDrives) {
                Replace(found.Device);
                continue;
            }
            Drives[DriveCount++] = found;
            changed = true;
            continue;
        }
        DriveRecord &record = Drives[r];
        TakeDevice(record, found);
        RescanOutcome outcome = Work.plan.outcome[r];
        if (outcome == RescanOutcome::Returned) {
            record.Missing = 0;
            record.Vanished = false;
            // Hot checks before it went and after it came back are no run.
            record.TemperatureHotChecks = 0;
            record.SMARTSupported = found.SMARTSupported;
            // A commit while the rescan was out stored another setting: it is sent now.
            if (record.SMARTEnabled == Work.table[r].SMARTEnabled)
                record.SMARTEnabled = found.SMARTEnabled;
            else
                resend[r] = true;
        }
        changed = changed || outcome != RescanOutcome::Same;
    }
    for (uint8_t r = 0; r < Work.tableCount; r++) {
        DriveRecord &record = Drives[r];
        switch (Work.plan.outcome[r]) {
        case RescanOutcome::GoneQuietly:
            record.Missing = 1;
            changed = true;
            break;
        case RescanOutcome::Vanished:
            record.Missing = 1;
            record.Vanished = true;
            changed = true;
            // Set before the e-mail and log run, as a check sets it.
            if (!record.SMARTError) {
                record.SMARTError = 1;
                vanished[vanishedCount++] = r;
            }
            break;
        default:
            break;
        }
    }
    return changed;
}

void ApplyVolumes(HWND window, bool drivesChanged)
{
    bool volumesChanged = RescanVolumes();
    if (volumesChanged)
        CheckFreeSpace(window);
    if (drivesChanged || volumesChanged) {
        UpdateTrayStatus(window);
        RequestMetricsFile();
    }
}

void StartRescan(HWND window)
{
    if (!Allowed || !Wanted || Started || PropertiesOpen || SMARTRoundOut())
        return;
    Wanted = false;
    // The SMARTVSD driver names its four drives once: only the volumes are looked at again.
    if (OsKind != OsKindWindowsNT) {
        ApplyVolumes(window, false);
        return;
    }
    Started = true;
    DriveRescanOut = true;
    Work.tableCount = DriveCount;
    // The records in use only: the rest of the copy's memory stays untouched.
    memcpy(Work.table, Drives, DriveCount * sizeof(DriveRecord));
    // Without a worker the drives are probed here.
    if (!QueueDriveWork(RescanJob, Rescan, nullptr, window)) {
        Rescan(nullptr);
        FinishDriveRescan(window);
    }
}

}  // namespace

void RegisterDeviceNotices(HWND window)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = DiskInterface;
    // Kept for the whole run; the volumes' notices reach every top-level window without it.
    RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void OnDeviceChange(HWND window, WPARAM event, LPARAM)
{
    // The notice's record is not read: any arrival or removal is only a hint to look again.
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE && event != DBT_DEVNODES_CHANGED)
        return;
    Wanted = true;
    SetTimer(window, RescanTimer, QuietMs, nullptr);
}

void OnRescanTimer(HWND window)
{
    KillTimer(window, RescanTimer);
    StartRescan(window);
}

void FinishDriveRescan(HWND window)
{
    if (!Started || DriveWorkOut(RescanJob) || PropertiesOpen)
        return;
    int vanished[MaxDrives];
    int vanishedCount = 0;
    bool resend[MaxDrives] = {};
    bool changed = ApplyPlan(vanished, vanishedCount, resend);
    Started = false;
    DriveRescanOut = false;
    // A box of the e-mail or log below may let the next notice in: the table is whole by then.
    for (int i = 0; i < vanishedCount; i++)
        RaiseVanishedDriveError(vanished[i], window);
    for (uint8_t r = 0; r < DriveCount; r++) {
        if (resend[r])
            ApplyDriveSMART(r, window);
    }
    RequestSMARTCheckAfterRescan(window, changed);
    ApplyVolumes(window, changed);
    StartRescan(window);
}

void AllowDriveRescans(HWND window)
{
    Allowed = true;
    StartRescan(window);
}

void ResumeDriveRescan(HWND window)
{
    if (Started)
        FinishDriveRescan(window);
    else
        StartRescan(window);
}

bool DriveRescanPending()
{
    return Wanted || Started;
}

void CloseReplacedDevices()
{
    for (int i = 0; i < ReplacedCount; i++)
        CloseDevice(Replaced[i]);
    ReplacedCount = 0;
}
