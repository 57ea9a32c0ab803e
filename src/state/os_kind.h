// The operating-system families, as the version query names them: they decide
// how the drives are reached.
#pragma once

#include <cstdint>

constexpr uint32_t OsKindWin32s = 0;
constexpr uint32_t OsKindWindows9x = 1;    // drives through the SMARTVSD driver
constexpr uint32_t OsKindWindowsNT = 2;    // drives through the physical-drive devices
constexpr uint32_t OsKindUnknown = 0xFFFF; // the version query itself failed
