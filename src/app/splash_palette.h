// The splash picture's palettes: from the bitmap's colour table, or the
// default 8-8-4 palette when the bitmap has none. Portable.
#pragma once

#include <cstdint>

struct PaletteColour {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Entry k of the default palette: red varies fastest in eight levels, then
// green in eight, then blue in four (0, 64, 128, 192).
PaletteColour DefaultPaletteColour(int k);

// A colour-table entry (blue, green, red, reserved) as a palette colour.
PaletteColour PaletteColourOfTableEntry(const uint8_t entry[4]);
