// The kinds of alert a drive raises: what each keeps in the drive's record and
// registry key, and how the tray tells of it. The shell's half of each kind
// (dialog, e-mail, log) is in drives/smart_alerts.cpp. Portable.
#pragma once

#include <cstdint>

#include "state/drive_table.h"
#include "state/settings.h"

// In the order of the tray tip's pieces.
enum class DriveAlert : uint8_t { SMARTError, SimulatedSMARTError, SMARTCaution, DriveTemperature };
constexpr int DriveAlertCount = 4;

struct DriveAlertKind {
    const char *flagName;   // registry: the 4-byte flag
    const char *timeName;   // and the 40-byte time stamp of its raising
    int32_t DriveRecord::*flag;
    char (DriveRecord::*time)[TimeStampSize];
    WindowHandle DriveRecord::*dialog;
    // The global setting that asks for its e-mail.
    int32_t GlobalSettingsRecord::*mailSetting;
    const char *caption;      // its dialog's, and the title of its tray notification
    const char *noticeText;   // what befell the drive, after its model and serial
    bool noticeWarns;         // the notification is a warning rather than an error
    const char *trayPiece;    // its piece of the tray tip
    // The piece is left out while a real SMART error stands: the tip has no
    // room for every piece, and the error says more.
    bool givesWayToError;
    // The piece is left out when the tip would not hold it beside the others.
    bool leftOutWhenFull;
};

const DriveAlertKind &DriveAlertKindOf(DriveAlert alert);
