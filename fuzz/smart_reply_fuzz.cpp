// Reading SMART replies: RETURN STATUS registers, off-line collection values,
// the drive map and the media type.
#include <cstring>

#include "drives/smart_requests.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint8_t reply[SmartSectorLength + 64] = {};
    memcpy(reply, data, size < sizeof reply ? size : sizeof reply);
    int status = ReadReturnStatus(size > 0 && (data[0] & 1), reply);
    if (status != 0 && status != 1)
        __builtin_trap();
    OfflineCollectionInfo info = GetOfflineCollectionInfo(reply);
    (void)info;
    if (ReadDriveMap(reply) > 0x0F)
        __builtin_trap();
    (void)ReadMediaType(reply);
    return 0;
}
