#include "app/os_check.h"

#include <windows.h>

#include "app/os_version.h"
#include "drives/device_io.h"

static_assert(sizeof(OSVERSIONINFOA) == 148);

bool CheckOsVersion(uint32_t &osKind)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    OsVersionReport report = {};
    report.queried = QueryOsVersion(&version) != FALSE;
    report.platformId = version.dwPlatformId;
    report.majorVersion = version.dwMajorVersion;
    report.minorVersion = version.dwMinorVersion;
    report.buildNumber = version.dwBuildNumber;
    return EvaluateOsVersion(report, osKind);
}
