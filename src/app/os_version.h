// The operating-system version rule: which Windows versions the program runs on.
#pragma once

#include <cstdint>

#include "state/os_kind.h"

struct OsVersionReport {
    bool queried;          // the version query succeeded
    uint32_t platformId;
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint32_t buildNumber;
};

// Sets osKind from the report and returns true when the system is supported:
// Win32s and the first Windows 95 releases (build below 1000) are refused.
bool EvaluateOsVersion(const OsVersionReport &report, uint32_t &osKind);
