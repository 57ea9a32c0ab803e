// IDENTIFY DEVICE decoding of any 512-byte sector.
#include <cstring>

#include "drives/identify_decoding.h"
#include "drives/smart_requests.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint8_t sector[SmartSectorLength] = {};
    memcpy(sector, data, size < sizeof sector ? size : sizeof sector);
    DriveRecord record = {};
    if (DecodeIdentifyData(sector, record)) {
        // Decoded texts are always terminated within their fields.
        if (strnlen(record.Model, sizeof record.Model) == sizeof record.Model ||
            strnlen(record.Serial, sizeof record.Serial) == sizeof record.Serial ||
            strnlen(record.FirmwareRev, sizeof record.FirmwareRev) == sizeof record.FirmwareRev)
            __builtin_trap();
    }
    return 0;
}
