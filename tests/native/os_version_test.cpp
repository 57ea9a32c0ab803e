#include <gtest/gtest.h>

#include "app/os_version.h"

namespace {

struct VersionCase {
    const char *name;
    OsVersionReport report;
    bool supported;
    uint32_t osKind;
};

TEST(OsVersion, AcceptsOsr2AndLaterUpToWindows11AndRefusesWin32sAndFirstWindows95)
{
    const VersionCase cases[] = {
        {"query failed", {false, 2, 5, 1, 2600}, false, OsKindUnknown},
        {"Win32s", {true, 0, 3, 10, 0}, false, 0},
        {"Windows 95 build 950", {true, 1, 4, 0, 950}, false, 1},
        {"Windows 95 build 999", {true, 1, 4, 0, 999}, false, 1},
        {"Windows 95 OSR2 build 1000", {true, 1, 4, 0, 1000}, true, 1},
        {"Windows 95 build 1111", {true, 1, 4, 0, 1111}, true, 1},
        // Windows 9x puts the version in the high word of the build number.
        {"Windows 95 build 950 with version in high word", {true, 1, 4, 0, 0x040003B6}, false, 1},
        {"Windows 95 OSR2 with version in high word", {true, 1, 4, 0, 0x04000457}, true, 1},
        {"Windows 98 any build", {true, 1, 4, 10, 1}, true, 1},
        {"Windows Me", {true, 1, 4, 90, 3000}, true, 1},
        {"Windows NT 4.0", {true, 2, 4, 0, 1381}, true, 2},
        {"Windows 2000", {true, 2, 5, 0, 2195}, true, 2},
        {"Windows 7 SP1", {true, 2, 6, 1, 7601}, true, 2},
        // Without a manifest naming it, Windows 8.1 and later say 6.2 (Windows 8).
        {"Windows 8, or a later one behind it", {true, 2, 6, 2, 9200}, true, 2},
        {"Windows 8.1 as it is", {true, 2, 6, 3, 9600}, true, 2},
        {"Windows 10 as it is", {true, 2, 10, 0, 19045}, true, 2},
        {"Windows 11 as it is", {true, 2, 10, 0, 22631}, true, 2},
        {"later platform id", {true, 3, 10, 0, 1}, true, 3},
    };
    for (const VersionCase &c : cases) {
        uint32_t osKind = 0x1234;
        EXPECT_EQ(EvaluateOsVersion(c.report, osKind), c.supported) << c.name;
        EXPECT_EQ(osKind, c.osKind) << c.name;
    }
}

}  // namespace
