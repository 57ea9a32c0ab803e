// The program's state as Prometheus metrics (text format 0.0.4), for the
// collectors that gather it from many machines. Portable: the file is written
// by app/metrics_file.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/drive_table.h"
#include "state/volume_table.h"

// Enough for 64 drives and 24 volumes with every text at its longest and
// every byte doubled by escaping (about 160 KiB); only what is written is touched.
constexpr size_t MetricsTextSize = 180224;

// When each check last ran, in seconds since 1970; 0 until it first runs.
extern int64_t LastSMARTCheckTime;
extern int64_t LastFreeSpaceCheckTime;

struct MetricsInputs {
    const DriveRecord *drives;
    int driveCount;
    const VolumeRecord *volumes;
    int volumeCount;
    uint32_t outboxMessages;
    int64_t smartCheckTime;
    int64_t freeSpaceCheckTime;
    // The polling periods in force, so a collector can tell a check that
    // stopped from one that runs every 8 hours.
    uint32_t smartIntervalSeconds;
    uint32_t freeSpaceIntervalSeconds;
};

// Every metric with its HELP and TYPE lines. False when the text did not fit
// size; length receives the length of what was written.
bool FormatMetrics(const MetricsInputs &inputs, char *text, size_t size, size_t &length);
