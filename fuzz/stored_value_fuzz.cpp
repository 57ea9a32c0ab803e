// A registry value as read back (bytes and size) into 4-byte and text settings
// and the caution's stored counts, times below and watched items.
#include <cstring>

#include "state/settings.h"
#include "state/smart_caution.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the field width the value is read into.
    uint32_t fieldSize = 1 + data[0] % SettingsTextSize;
    const uint8_t *value = data + 1;
    uint32_t length = static_cast<uint32_t>(size - 1);
    uint8_t number[4];
    InterpretFourBytes(value, length < 64 ? length : 64, number);
    CautionCounts counts;
    CautionBelow below;
    UnpackCautionCounts(value, length, counts);
    UnpackCautionBelow(value, length, below);
    if (UnpackCautionUnwatched(value, length) >> CautionItemCount)
        __builtin_trap();
    char field[SettingsTextSize + 1];
    memset(field, 'G', sizeof field);
    if (length <= fieldSize && InterpretText(reinterpret_cast<const char *>(value), length, field, fieldSize)) {
        // Terminated inside the field, and not one byte written past it.
        if (strnlen(field, fieldSize) == fieldSize || field[fieldSize] != 'G')
            __builtin_trap();
    }
    return 0;
}
