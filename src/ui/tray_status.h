// The tray tip: which alerts stand, in a fixed order of pieces.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t TrayTipSize = 64;
constexpr char InitialTrayTip[] = "SMART Status: OK, Volume Status: OK";
constexpr char TrayTipAllClear[] = "HOLMVARD Status: OK";

// Composes the tip from the alert flags of the drive and volume tables.
// Returns true when any alert stands (the error picture goes with it).
bool ComposeTrayTip(char (&tip)[TrayTipSize]);

// The alert a tray notification tells of when it is raised.
enum class AlertNotice : uint8_t { SMARTError, SimulatedSMARTError, SMARTCaution, FreeSpaceError };

// The shell's title and text fields of a notification.
constexpr size_t NoticeTitleSize = 64;
constexpr size_t NoticeTextSize = 256;

// The notification of the alert on drive or volume index: its dialog's caption
// as the title; the text names the drive by model and serial, or the volume by
// root and label.
void ComposeAlertNotice(AlertNotice alert, int index, char (&title)[NoticeTitleSize], char (&text)[NoticeTextSize]);
