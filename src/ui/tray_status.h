// The tray tip: which alerts stand, in a fixed order of pieces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/drive_alerts.h"

constexpr size_t TrayTipSize = 64;
constexpr char InitialTrayTip[] = "SMART Status: OK, Volume Status: OK";
constexpr char TrayTipAllClear[] = "HOLMVARD Status: OK";

// Composes the tip from the alert flags of the drive and volume tables.
// Returns true when any alert stands (the error picture goes with it).
bool ComposeTrayTip(char (&tip)[TrayTipSize]);

// The alert a tray notification tells of when it is raised: a drive's alerts
// by their DriveAlert value, then the volume's.
enum class AlertNotice : uint8_t { SMARTError, SimulatedSMARTError, SMARTCaution, DriveTemperature, FreeSpaceError };
static_assert(static_cast<int>(AlertNotice::SMARTError) == static_cast<int>(DriveAlert::SMARTError));
static_assert(static_cast<int>(AlertNotice::SimulatedSMARTError) == static_cast<int>(DriveAlert::SimulatedSMARTError));
static_assert(static_cast<int>(AlertNotice::SMARTCaution) == static_cast<int>(DriveAlert::SMARTCaution));
static_assert(static_cast<int>(AlertNotice::DriveTemperature) == static_cast<int>(DriveAlert::DriveTemperature));
static_assert(static_cast<int>(AlertNotice::FreeSpaceError) == DriveAlertCount);

constexpr AlertNotice NoticeOf(DriveAlert alert)
{
    return static_cast<AlertNotice>(alert);
}

// Only for a drive's notice.
constexpr DriveAlert DriveAlertOf(AlertNotice alert)
{
    return static_cast<DriveAlert>(alert);
}

// The shell's title and text fields of a notification.
constexpr size_t NoticeTitleSize = 64;
constexpr size_t NoticeTextSize = 256;

// The notification of the alert on drive or volume index: its dialog's caption
// as the title; the text names the drive by model and serial, or the volume by
// root and label.
void ComposeAlertNotice(AlertNotice alert, int index, char (&title)[NoticeTitleSize], char (&text)[NoticeTextSize]);

// Whether the notification is a warning rather than an error.
bool AlertNoticeWarns(AlertNotice alert);
