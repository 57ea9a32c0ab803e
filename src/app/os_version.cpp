#include "app/os_version.h"

bool EvaluateOsVersion(const OsVersionReport &report, uint32_t &osKind)
{
    if (!report.queried) {
        osKind = OsKindUnknown;
        return false;
    }
    osKind = report.platformId;
    if (report.platformId == OsKindWin32s)
        return false;
    if (report.platformId == OsKindWindows9x) {
        if (report.minorVersion != 0)
            return true;
        // Windows 95 itself: OSR2 and later carry builds of 1000 and above.
        return (report.buildNumber & 0xFFFF) >= 1000;
    }
    return true;
}
