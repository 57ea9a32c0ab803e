// The free-space check's decisions and the free-space error dialog's
// arithmetic: which volumes are evaluated, when a volume is in error, where
// CurrentVolume ends, whether to beep, the proposed new minimum and the
// slider's limits. The effects are steps the caller supplies, so the same loop
// serves the program and its tests. Portable.
#pragma once

#include <cstdint>

#include "state/volume_table.h"

struct FreeSpaceCheckSteps {
    // The volume's sizes; false when the query failed, which leaves the record's sizes as they were.
    bool (*querySpace)(int volume, uint64_t &available, uint64_t &total, uint64_t &free);
    // A new free-space error, already set in the record: time stamp, registry, e-mail, log.
    void (*raiseError)(int volume);
    // Opens the volume's alert dialog unless one is open.
    void (*showErrorDialog)(int volume);
    // Once per check while any volume is in error.
    void (*beep)();
};

// Only a present, monitored volume without a pending error is evaluated.
bool VolumeQualifiesForEvaluation(const VolumeRecord &volume);

// FreeSpaceMin strictly above the free percentage. A volume of no size is never below.
bool VolumeBelowMinimum(const VolumeRecord &volume);

void RunFreeSpaceCheck(const FreeSpaceCheckSteps &steps);

struct MinimumProposal {
    int percent;              // where the slider starts, 1 to 100 for any sane minimum
    bool disableMonitoring;   // almost full: acknowledging switches monitoring off
};

// 80 % of the free percentage, truncated, kept below the present minimum; a
// proposal of 0 (or less, for a minimum of 0) offers to switch monitoring off.
MinimumProposal ProposeMinimum(const VolumeRecord &volume);

// A slider position clamped to 1 .. the whole free percentage. Never below 1: a
// minimum of 0 would silence the volume for good.
int ClampNewMinimum(const VolumeRecord &volume, int position);

// The Volumes page's minimum for a slider position: 1 to 100, not capped at
// the free percentage.
uint32_t PageMinimumOf(int position);

// "Free Space Error" while any volume has a pending error, else "All Volumes OK".
const char *VolumeSummaryText();
