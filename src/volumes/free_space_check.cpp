#include "volumes/free_space_check.h"

#include "state/volume_texts.h"

bool VolumeQualifiesForEvaluation(const VolumeRecord &volume)
{
    return !volume.Missing && volume.SpaceCheckEnabled && !volume.FreeSpaceError;
}

bool VolumeBelowMinimum(const VolumeRecord &volume)
{
    return volume.TotalBytes != 0 && static_cast<double>(volume.FreeSpaceMin) > FreePercentOf(volume);
}

void RunFreeSpaceCheck(const FreeSpaceCheckSteps &steps)
{
    bool someVolumeInError = false;
    for (uint8_t i = 0; i < VolumeCount; i++) {
        VolumeRecord &volume = Volumes[i];
        uint64_t available = 0;
        uint64_t total = 0;
        uint64_t free = 0;
        // A volume that is gone is not asked; its last sizes stay.
        if (!volume.Missing && steps.querySpace(i, available, total, free)) {
            volume.FreeBytesAvailable = available;
            volume.TotalBytes = total;
            volume.FreeBytes = free;
        }
        volume.UsedBytes = volume.TotalBytes - volume.FreeBytes;
        if (VolumeQualifiesForEvaluation(volume) && VolumeBelowMinimum(volume)) {
            // Set before the e-mail and log run: a check nested in their message
            // boxes then finds the error pending and raises nothing twice.
            volume.FreeSpaceError = 1;
            steps.raiseError(i);
        }
        if (volume.FreeSpaceError) {
            CurrentVolume = i;
            someVolumeInError = true;
            steps.showErrorDialog(i);
        }
    }
    if (someVolumeInError)
        steps.beep();
}

MinimumProposal ProposeMinimum(const VolumeRecord &volume)
{
    double fourFifths = volume.TotalBytes == 0
                            ? 0.0
                            : static_cast<double>(volume.FreeBytes) / static_cast<double>(volume.TotalBytes) * 80.0;
    int proposal = static_cast<int>(fourFifths);
    // A stored minimum is at most 100 unless the registry was edited by hand.
    int minimum = static_cast<int>(volume.FreeSpaceMin > 1000 ? 1000 : volume.FreeSpaceMin);
    if (proposal == minimum)
        proposal = minimum - 1;
    else if (proposal > minimum)
        proposal = minimum;
    if (proposal <= 0)
        return {1, true};
    return {proposal, false};
}

int ClampNewMinimum(const VolumeRecord &volume, int position)
{
    if (position < 1)
        return 1;
    int whole = static_cast<int>(FreePercentOf(volume));
    if (position > whole)
        return whole < 1 ? 1 : whole;
    return position;
}

uint32_t PageMinimumOf(int position)
{
    if (position < 1)
        return 1;
    return position > 100 ? 100u : static_cast<uint32_t>(position);
}

const char *VolumeSummaryText()
{
    for (uint8_t i = 0; i < VolumeCount; i++) {
        if (Volumes[i].FreeSpaceError)
            return "Free Space Error";
    }
    return "All Volumes OK";
}
