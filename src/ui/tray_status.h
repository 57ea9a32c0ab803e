// The tray tip: which alerts stand, in a fixed order of pieces.
#pragma once

#include <cstddef>

constexpr size_t TrayTipSize = 64;
constexpr char InitialTrayTip[] = "SMART Status: OK, Volume Status: OK";
constexpr char TrayTipAllClear[] = "HOLMVARD Status: OK";

// Composes the tip from the alert flags of the drive and volume tables.
// Returns true when any alert stands (the error picture goes with it).
bool ComposeTrayTip(char (&tip)[TrayTipSize]);
