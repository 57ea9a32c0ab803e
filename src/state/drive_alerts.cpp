#include "state/drive_alerts.h"

namespace {

// Indexed by DriveAlert.
const DriveAlertKind DriveAlertKinds[] = {
    {.flagName = "SMARTError",
     .timeName = "SMARTErrorTime",
     .flag = &DriveRecord::SMARTError,
     .time = &DriveRecord::SMARTErrorTime,
     .dialog = &DriveRecord::ErrorDialog,
     .mailSetting = &GlobalSettingsRecord::EmailSMARTErrors,
     .caption = "SMART Error Detected",
     .noticeText = "reports a SMART error. Back up its data now.",
     .noticeWarns = false,
     .trayPiece = "SMART Error",
     .givesWayToError = false,
     .leftOutWhenFull = false},
    {.flagName = "SimulateError",
     .timeName = "SimulateErrorTime",
     .flag = &DriveRecord::SimulateError,
     .time = &DriveRecord::SimulateErrorTime,
     .dialog = &DriveRecord::SimulatedErrorDialog,
     .mailSetting = &GlobalSettingsRecord::EmailSMARTErrors,
     .caption = "SMART Error Detected (Simulated)",
     .noticeText = "shows a simulated SMART error.",
     .noticeWarns = false,
     .trayPiece = "SMART Error (Simulated)",
     .givesWayToError = false,
     .leftOutWhenFull = false},
    {.flagName = "SMARTCaution",
     .timeName = "SMARTCautionTime",
     .flag = &DriveRecord::SMARTCaution,
     .time = &DriveRecord::SMARTCautionTime,
     .dialog = &DriveRecord::CautionDialog,
     .mailSetting = &GlobalSettingsRecord::EmailSMARTErrors,
     .caption = "SMART Caution Detected",
     .noticeText = "shows counts that often come before a failure. Back up its data.",
     .noticeWarns = true,
     .trayPiece = "SMART Caution",
     .givesWayToError = true,
     .leftOutWhenFull = false},
    {.flagName = "TemperatureAlert",
     .timeName = "TemperatureAlertTime",
     .flag = &DriveRecord::TemperatureAlert,
     .time = &DriveRecord::TemperatureAlertTime,
     .dialog = &DriveRecord::TemperatureDialog,
     .mailSetting = &GlobalSettingsRecord::EmailSMARTErrors,
     .caption = "Drive Temperature High",
     .noticeText = "runs at or above its temperature limit. Let it cool down.",
     .noticeWarns = true,
     .trayPiece = "Drive Temperature",
     .givesWayToError = false,
     .leftOutWhenFull = true},
};
static_assert(sizeof DriveAlertKinds / sizeof DriveAlertKinds[0] == DriveAlertCount);

}  // namespace

const DriveAlertKind &DriveAlertKindOf(DriveAlert alert)
{
    return DriveAlertKinds[static_cast<int>(alert)];
}
