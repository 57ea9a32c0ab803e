#pragma once

#include <cstdint>

// Asks the system for its version; sets osKind (0xFFFF when the query fails)
// and returns true when the program can run on it.
bool CheckOsVersion(uint32_t &osKind);
