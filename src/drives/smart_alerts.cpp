#include "drives/smart_alerts.h"

#include <ctime>

#include "base/bounded_text.h"
#include "base/text_format.h"
#include "drives/drive_access.h"
#include "drives/drive_worker.h"
#include "drives/drives_page.h"
#include "drives/smart_check.h"
#include "drives/status_round.h"
#include "history/drive_history.h"
#include "log/error_log.h"
#include "mail/alert_mail.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/drive_temperature_text.h"
#include "state/metrics_text.h"
#include "state/settings.h"
#include "state/settings_snapshot.h"
#include "state/settings_store.h"
#include "ui/alert_dialogs.h"
#include "ui/alert_placement.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"
#include "ui/tray_icon.h"

namespace {

HWND CheckOwner;
// Written by the worker only while it holds the round.
// constinit: zeroed by the loader, not written at start, so its pages cost nothing until used.
constinit StatusRound Round{};
// The window thread is taking the round's answers (a box of the e-mail or log may hold it there).
bool Applying;
// A check was asked for while a rescan was out.
bool HeldForRescan;

// A history line of each drive that answered, where the answers come in: the
// file work stays off the window thread.
void WriteRoundHistory(StatusRound &round)
{
    for (uint8_t i = 0; i < round.count; i++) {
        RoundDrive &drive = round.drives[i];
        if (!drive.asked || !drive.reading.read)
            continue;
        HistorySample sample;
        SampleOfReading(drive.unwatched, drive.reading, sample);
        sample.utcOffsetMinutes = UtcOffsetMinutesAt(sample.time);
        drive.historyWritten = AppendDriveHistoryLine(round.errorLogPath, drive.keyText, sample);
    }
}

void AskRound(void *)
{
    AskStatusRound(Round, AskRoundDrive);
    WriteRoundHistory(Round);
}

bool AskHealth(int drive, DriveHealth &health)
{
    return RoundHealth(Round, drive, health);
}

void StoreSMARTCautionState(int drive)
{
    StoreDriveCautionState(Drives[drive]);
}

// The caution's dialog shows the counts that rose where the others show the time.
void FormatCautionField(const DriveRecord &drive, char (&text)[CautionTextSize])
{
    FormatDriveCautionRises(drive, text);
}

// The temperature's dialog shows the reading, the limit and the highest reading.
void FormatTemperatureField(const DriveRecord &drive, char (&text)[CautionTextSize])
{
    char temperatures[TemperatureTextSize];
    ::FormatTemperatureField(drive, temperatures);
    CopyText(text, temperatures);
}

void FormatSMARTErrorMail(const DriveRecord &drive, char (&body)[MailBodySize])
{
    FormatSMARTErrorBody(drive, false, body);
}

void FormatSimulatedSMARTErrorMail(const DriveRecord &drive, char (&body)[MailBodySize])
{
    FormatSMARTErrorBody(drive, true, body);
}

// An open sheet's Cancel must not bring the error back, nor its OK count it as a change.
void ForgetSimulatedErrorInSnapshot(int drive)
{
    SettingsSnapshot.SimulateError[drive] = 0;
}

void ShowClearedSimulatedError(int drive)
{
    if (PropertiesOpen && drive == CurrentDrive && DrivesPageWindow)
        ShowDriveSettings(DrivesPageWindow, drive);
}

// The counts the dialog showed become the acknowledged ones; without a reading
// in this run (a caution loaded at start-up on an unmonitored drive) the stored
// ones stay.
void TakeAcknowledgedCounts(int drive)
{
    DriveRecord &record = Drives[drive];
    if (record.CautionSeenRead) {
        record.CautionAcknowledged = record.CautionSeen;
        StoreDriveCautionCounts(record);
    }
}

struct AlertControls {
    int acknowledge;
    int ok;
    int cancel;
    int help;
    uint32_t topic;
};

// The shell's half of each kind of drive alert, beside DriveAlertKindOf's.
struct AlertShellRow {
    int templateId;
    DLGPROC procedure;
    AlertControls controls;
    // The dialog's own field: the time of raising, or what fieldText writes
    // where the kind has one.
    int field;
    void (*fieldText)(const DriveRecord &drive, char (&text)[CautionTextSize]);
    // What fieldText writes changes while the alert stands: each check writes it anew.
    bool fieldLive;
    const char *mailSubject;
    DriveMailBody mailBody;
    DriveLogRecord raisedRecord;
    DriveLogRecord acknowledgedRecord;
    // Acknowledgement: before the flag is cleared, and right after the tray
    // is refreshed; nullptr for nothing.
    void (*beforeClearing)(int drive);
    void (*afterTray)(int drive);
    // The tray is refreshed once the acknowledgement is logged rather than
    // before it is stored.
    bool trayLast;
};

// Indexed by DriveAlert.
const AlertShellRow AlertShellRows[] = {
    {.templateId = IDD_SMART_ERROR,
     .procedure = SMARTErrorDlgProc,
     .controls = {IDC_ACKNOWLEDGE, IDC_ERROR_OK, IDC_ERROR_CANCEL, IDC_ERROR_HELP, SMARTErrorTopic},
     .field = IDC_ERROR_TIME,
     .fieldText = nullptr,
     .fieldLive = false,
     .mailSubject = SMARTErrorSubject,
     .mailBody = FormatSMARTErrorMail,
     .raisedRecord = DriveLogRecord::SMARTError,
     .acknowledgedRecord = DriveLogRecord::SMARTErrorAcknowledged,
     .beforeClearing = nullptr,
     .afterTray = nullptr,
     .trayLast = false},
    {.templateId = IDD_SIMULATED_SMART_ERROR,
     .procedure = SimulatedSMARTErrorDlgProc,
     .controls = {IDC_SIMULATED_ACKNOWLEDGE, IDC_SIMULATED_OK, IDC_SIMULATED_CANCEL, IDC_SIMULATED_HELP,
                  SimulatedSMARTErrorTopic},
     .field = IDC_SIMULATED_ERROR_TIME,
     .fieldText = nullptr,
     .fieldLive = false,
     .mailSubject = SimulatedSMARTErrorSubject,
     .mailBody = FormatSimulatedSMARTErrorMail,
     .raisedRecord = DriveLogRecord::SimulatedSMARTError,
     .acknowledgedRecord = DriveLogRecord::SimulatedSMARTErrorAcknowledged,
     .beforeClearing = ForgetSimulatedErrorInSnapshot,
     .afterTray = ShowClearedSimulatedError,
     .trayLast = false},
    {.templateId = IDD_SMART_CAUTION,
     .procedure = SMARTCautionDlgProc,
     .controls = {IDC_ACKNOWLEDGE, IDC_ERROR_OK, IDC_ERROR_CANCEL, IDC_ERROR_HELP, SMARTCautionTopic},
     .field = IDC_CAUTION_RISES,
     .fieldText = FormatCautionField,
     .fieldLive = false,
     .mailSubject = SMARTCautionSubject,
     .mailBody = FormatSMARTCautionBody,
     .raisedRecord = DriveLogRecord::SMARTCaution,
     .acknowledgedRecord = DriveLogRecord::SMARTCautionAcknowledged,
     .beforeClearing = TakeAcknowledgedCounts,
     .afterTray = nullptr,
     .trayLast = true},
    {.templateId = IDD_DRIVE_TEMPERATURE,
     .procedure = DriveTemperatureDlgProc,
     .controls = {IDC_ACKNOWLEDGE, IDC_ERROR_OK, IDC_ERROR_CANCEL, IDC_ERROR_HELP, DriveTemperatureTopic},
     .field = IDC_TEMPERATURE_READINGS,
     .fieldText = FormatTemperatureField,
     .fieldLive = true,
     .mailSubject = DriveTemperatureSubject,
     .mailBody = FormatDriveTemperatureBody,
     .raisedRecord = DriveLogRecord::DriveTemperature,
     .acknowledgedRecord = DriveLogRecord::DriveTemperatureAcknowledged,
     .beforeClearing = nullptr,
     .afterTray = nullptr,
     .trayLast = false},
};
static_assert(sizeof AlertShellRows / sizeof AlertShellRows[0] == DriveAlertCount);

const AlertShellRow &ShellRowOf(DriveAlert alert)
{
    return AlertShellRows[static_cast<int>(alert)];
}

// Creates the alert dialog unless the drive still has one open: the drive's
// fields, and the kind's own field.
void ShowAlert(DriveAlert alert, int drive)
{
    const DriveAlertKind &kind = DriveAlertKindOf(alert);
    const AlertShellRow &row = ShellRowOf(alert);
    DriveRecord &record = Drives[drive];
    HWND &dialog = record.*kind.dialog;
    bool open = AlertDialogOpen(dialog);
    if (open && !row.fieldLive)
        return;
    if (!open)
        dialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(row.templateId), CheckOwner, row.procedure, 0);
    if (!dialog)
        return;
    char text[CautionTextSize];
    const char *shown = record.*kind.time;
    if (row.fieldText) {
        row.fieldText(record, text);
        shown = text;
    }
    SetDlgItemTextA(dialog, row.field, shown);
    if (open)
        return;
    ShowDriveInfo(dialog, drive);
    ShowAlertDialog(dialog);
}

void RefreshTray(const AlertShellRow &row, int drive)
{
    UpdateTrayStatus(CommandWindow);
    if (row.afterTray)
        row.afterTray(drive);
}

void AcknowledgeAlert(DriveAlert alert, HWND dialog, int drive)
{
    const DriveAlertKind &kind = DriveAlertKindOf(alert);
    const AlertShellRow &row = ShellRowOf(alert);
    DriveRecord &record = Drives[drive];
    if (row.beforeClearing)
        row.beforeClearing(drive);
    record.*kind.flag = 0;
    if (!row.trayLast)
        RefreshTray(row, drive);
    StoreDriveFlag(record, kind.flagName, 0);
    LogDriveRecord(dialog, drive, row.acknowledgedRecord);
    if (row.trayLast)
        RefreshTray(row, drive);
    RequestMetricsFile();
}

INT_PTR OnAlertCommand(HWND dialog, int drive, DriveAlert alert, WORD id)
{
    const AlertControls &controls = ShellRowOf(alert).controls;
    HWND &field = Drives[drive].*DriveAlertKindOf(alert).dialog;
    if (id == controls.acknowledge)
        return TRUE;
    if (id == controls.ok) {
        if (IsDlgButtonChecked(dialog, controls.acknowledge) == BST_CHECKED)
            AcknowledgeAlert(alert, dialog, drive);
        CloseAlertDialog(dialog, field);
        return TRUE;
    }
    if (id == controls.cancel || id == IDCANCEL) {
        CloseAlertDialog(dialog, field);
        return TRUE;
    }
    if (id == controls.help)
        return ShowWindowTopic(dialog, controls.topic);
    return FALSE;
}

INT_PTR AlertDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, DriveAlert alert)
{
    int drive = FindRecordByDialog(Drives, DriveCount, DriveAlertKindOf(alert).dialog, dialog);
    if (drive < 0)
        return FALSE;
    switch (message) {
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    case WM_COMMAND:
        return OnAlertCommand(dialog, drive, alert, LOWORD(wParam));
    }
    return FALSE;
}

// The check's steps, one for each kind it raises or shows.
template <DriveAlert alert>
void RaiseStep(int drive)
{
    RaiseDriveAlert(alert, drive, CheckOwner);
}

template <DriveAlert alert>
void ShowStep(int drive)
{
    ShowAlert(alert, drive);
}

// What each drive answered, for the Health page; an open history window is
// given the line the worker appended.
void KeepReadings()
{
    for (uint8_t i = 0; i < Round.count && i < DriveCount; i++) {
        const RoundDrive &drive = Round.drives[i];
        if (!drive.asked || !drive.reading.read)
            continue;
        LatestReadings[i] = drive.reading;
        if (!drive.historyWritten)
            continue;
        HistorySample sample;
        SampleOfReading(drive.unwatched, drive.reading, sample);
        sample.utcOffsetMinutes = UtcOffsetMinutesAt(sample.time);
        NotifyHistoryAppended(drive.keyText, sample);
    }
}

// The check on the round's answers. The round stays out until the end, so a
// tick inside a message box of the e-mail or log is dropped.
void RunCheckOnRound(HWND owner)
{
    CheckOwner = owner;
    Applying = true;
    const SmartCheckSteps steps = {AskHealth,
                                   RaiseStep<DriveAlert::SMARTError>,
                                   RaiseStep<DriveAlert::SMARTCaution>,
                                   ShowStep<DriveAlert::SMARTError>,
                                   ShowStep<DriveAlert::SimulatedSMARTError>,
                                   ShowStep<DriveAlert::SMARTCaution>,
                                   MessageBeepExclamation,
                                   StoreSMARTCautionState,
                                   RaiseStep<DriveAlert::DriveTemperature>,
                                   ShowStep<DriveAlert::DriveTemperature>};
    RunSmartCheck(steps);
    KeepReadings();
    Applying = false;
    LastSMARTCheckTime = time(nullptr);
    RequestMetricsFile();
    CloseStatusRound(Round);
}

}  // namespace

void CheckSMARTStatus(HWND owner)
{
    if (!OpenStatusRound(Round))
        return;
    AskRound(nullptr);
    RunCheckOnRound(owner);
}

void RequestSMARTCheck(HWND owner)
{
    // A round whose message never came, or that finished while the sheet was
    // open, is taken now rather than holding every later tick off.
    FinishSMARTCheck(owner);
    // A rescan will change the table under the round: its end asks again.
    if (DriveRescanOut) {
        HeldForRescan = true;
        return;
    }
    if (!OpenStatusRound(Round))
        return;
    // Without a worker the drives are asked here, as before there was one.
    if (!QueueDriveWork(StatusRoundJob, AskRound, nullptr, owner)) {
        AskRound(nullptr);
        RunCheckOnRound(owner);
    }
}

bool FinishSMARTCheck(HWND owner)
{
    // Taken once: the worker's message may come while a box of the e-mail or
    // log holds the window thread inside the taking. Kept while the sheet is
    // open: its pages hold CurrentDrive and settings not yet committed; the
    // sheet's closing takes it.
    if (!Round.out || Applying || PropertiesOpen || DriveWorkOut(StatusRoundJob))
        return false;
    RunCheckOnRound(owner);
    return true;
}

bool SMARTCheckOut()
{
    return Round.out && !Applying;
}

bool SMARTRoundOut()
{
    return Round.out;
}

void RequestSMARTCheckAfterRescan(HWND owner, bool tableChanged)
{
    if (!tableChanged && !HeldForRescan)
        return;
    HeldForRescan = false;
    RequestSMARTCheck(owner);
}

void RaiseDriveAlert(DriveAlert alert, int drive, HWND owner)
{
    const DriveAlertKind &kind = DriveAlertKindOf(alert);
    const AlertShellRow &row = ShellRowOf(alert);
    DriveRecord &record = Drives[drive];
    FormatTimeStamp(record.*kind.time, TimeStampSize);
    StoreDriveFlagWithTime(record, kind.flagName, record.*kind.flag, kind.timeName, record.*kind.time);
    NotifyAlertRaised(NoticeOf(alert), drive);
    if (GlobalSettings.*kind.mailSetting)
        MailDriveAlert(owner, drive, row.mailSubject, row.mailBody);
    LogDriveRecord(owner, drive, row.raisedRecord);
}

void RaiseVanishedDriveError(int drive, HWND owner)
{
    RaiseDriveAlert(DriveAlert::SMARTError, drive, owner);
}

INT_PTR CALLBACK SMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, DriveAlert::SMARTError);
}

INT_PTR CALLBACK SimulatedSMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, DriveAlert::SimulatedSMARTError);
}

INT_PTR CALLBACK SMARTCautionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, DriveAlert::SMARTCaution);
}

INT_PTR CALLBACK DriveTemperatureDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AlertDlgProc(dialog, message, wParam, lParam, DriveAlert::DriveTemperature);
}
