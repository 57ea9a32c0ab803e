// The texts a volume is shown and quoted by: its title, its free-space summary,
// the six volume information lines and the minimum text beside the sliders.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text_format.h"
#include "state/volume_table.h"

constexpr size_t VolumeTitleSize = 40;
// "<size>, <grouped bytes> bytes, <percent>%": ample for any 64-bit count.
constexpr size_t VolumeSizeTextSize = 80;
constexpr size_t MinimumTextSize = 48;

// FreeBytes / TotalBytes x 100 in double precision; 0 for a volume of no size,
// so no text ever shows NaN or infinity.
double FreePercentOf(const VolumeRecord &volume);

// "C: SYSTEM"; "C: " for an unlabelled volume.
void FormatVolumeTitle(const VolumeRecord &volume, char (&title)[VolumeTitleSize]);

// "1.50GB, 1,610,612,736 bytes, 7.5%" of FreeBytes: the free-space line of the
// dialogs, and what the e-mail and the log quote.
void FormatFreeSpaceSummary(const VolumeRecord &volume, char (&summary)[VolumeSizeTextSize]);

struct VolumeInfoTexts {
    char title[VolumeTitleSize];
    char serial[VolumeSerialTextSize];
    char fileSystem[FileSystemNameSize];
    char total[VolumeSizeTextSize];
    char used[VolumeSizeTextSize];
    char free[VolumeSizeTextSize];
};

// The six lines of the volume information group, from the record as it stands.
void FormatVolumeInfo(const VolumeRecord &volume, VolumeInfoTexts &texts);

// "15%, 1.43GB": the percentage and TotalBytes x percent / 100, truncated.
void FormatMinimumText(uint64_t totalBytes, uint32_t percent, char (&text)[MinimumTextSize]);
