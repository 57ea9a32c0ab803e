#include "app/splash_palette.h"

PaletteColour DefaultPaletteColour(int k)
{
    return {static_cast<uint8_t>((k % 8) * 32), static_cast<uint8_t>((k / 8 % 8) * 32),
            static_cast<uint8_t>((k / 64 % 4) * 64)};
}

PaletteColour PaletteColourOfTableEntry(const uint8_t entry[4])
{
    return {entry[2], entry[1], entry[0]};
}
