#include "state/volume_texts.h"

#include "base/bounded_text.h"

namespace {

// "<binary size>, <grouped bytes> bytes, <percent>%" with the percentage of total.
void FormatSizeLine(uint64_t bytes, uint64_t totalBytes, char (&text)[VolumeSizeTextSize])
{
    char size[SizeTextSize];
    char grouped[GroupedNumberSize];
    FormatBinarySize(static_cast<double>(bytes), size);
    FormatGroupedNumber(bytes, grouped);
    double percent = totalBytes == 0 ? 0.0 : static_cast<double>(bytes) / static_cast<double>(totalBytes) * 100.0;
    FormatInto(text, "%s, %s bytes, %.1f%%", size, grouped, percent);
}

}  // namespace

double FreePercentOf(const VolumeRecord &volume)
{
    if (volume.TotalBytes == 0)
        return 0.0;
    return static_cast<double>(volume.FreeBytes) / static_cast<double>(volume.TotalBytes) * 100.0;
}

void FormatVolumeTitle(const VolumeRecord &volume, char (&title)[VolumeTitleSize])
{
    FormatInto(title, "%.2s %.*s", volume.RootPath, static_cast<int>(sizeof volume.VolumeName), volume.VolumeName);
}

void FormatFreeSpaceSummary(const VolumeRecord &volume, char (&summary)[VolumeSizeTextSize])
{
    FormatSizeLine(volume.FreeBytes, volume.TotalBytes, summary);
}

void FormatVolumeInfo(const VolumeRecord &volume, VolumeInfoTexts &texts)
{
    FormatVolumeTitle(volume, texts.title);
    FormatInto(texts.serial, "%.*s", static_cast<int>(sizeof volume.VolumeSerialText), volume.VolumeSerialText);
    FormatInto(texts.fileSystem, "%.*s", static_cast<int>(sizeof volume.FileSystem), volume.FileSystem);
    char size[SizeTextSize];
    char grouped[GroupedNumberSize];
    FormatBinarySize(static_cast<double>(volume.TotalBytes), size);
    FormatGroupedNumber(volume.TotalBytes, grouped);
    FormatInto(texts.total, "%s, %s bytes, 100%%", size, grouped);
    FormatSizeLine(volume.UsedBytes, volume.TotalBytes, texts.used);
    FormatFreeSpaceSummary(volume, texts.free);
}

void FormatMinimumText(uint64_t totalBytes, uint32_t percent, char (&text)[MinimumTextSize])
{
    char size[SizeTextSize];
    // Divided after the multiplication, as the minimum is defined; a product past
    // 64 bits would need a volume of 184 PB.
    FormatBinarySize(static_cast<double>(totalBytes * percent / 100), size);
    FormatInto(text, "%d%%, %s", static_cast<int>(percent), size);
}
