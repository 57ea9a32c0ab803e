// The emulator's description file, and the answers and log lines of the bay it gives.
#include "emulator/drive_emulation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static EmulatedBay bay;
    DescriptionError error;
    if (!ParseDriveDescription(reinterpret_cast<const char *>(data), size, bay, error)) {
        char text[RequestLogLineSize];
        FormatDescriptionError(error, text, sizeof text);
        return 0;
    }
    uint8_t sector[SmartSectorLength];
    for (const EmulatedDrive &drive : bay.drives) {
        if (drive.defined) {
            BuildIdentifySector(drive, sector);
            BuildSmartDataSector(drive, sector);
        }
    }
    char line[RequestLogLineSize];
    for (const EmulatedVolume &volume : bay.volumes)
        FormatSpaceLogLine(line, sizeof line, "C:\\", &volume);
    return 0;
}
