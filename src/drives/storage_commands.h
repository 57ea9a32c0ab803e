// The storage queries on a drive's handle, through the one device layer: who
// the drive is, its size, and its health where the SMART requests do not reach.
#pragma once

#include <windows.h>

#include "drives/storage_queries.h"

bool QueryStorageIdentity(HANDLE device, StorageIdentity &identity);
bool QueryGeometryEx(HANDLE device, StorageGeometry &geometry);
bool QueryNvmeIdentity(HANDLE device, NvmeIdentity &identity);

// The drive's health into status (when not null): 1 healthy, 0 a threshold
// exceeded; an NVMe drive's caution counts into counts (when not null). False
// when the drive cannot be asked.
bool AskNvmeHealth(HANDLE device, int *status, CautionCounts *counts = nullptr, uint8_t *temperature = nullptr,
                   uint8_t *log = nullptr);
bool AskPredictedFailure(HANDLE device, int *status);

// The system's temperature property (Windows 10 and later): the first
// sensor's reading and the drive's warning temperature; false when it is not
// answered.
bool AskDeviceTemperature(HANDLE device, uint8_t &temperature, uint8_t &warning);
