// Start-up discovery of the drives and the fixed volumes, and the release of
// the drive devices at the end of the run.
#pragma once

#include <cstdint>

#include "state/drive_table.h"

// Fills the drive table for the OS kind. Returns false only when OS kind 1's
// SMARTVSD driver cannot be opened; finding no drive is the caller's to judge.
bool DiscoverDrives(uint32_t osKind);

// At a rescan, on the drive worker: PhysicalDrive0 to 63 probed again into
// found, as start-up takes them, each with a handle of its own; a number
// whose skip is set is not opened. Returns how many were found.
uint8_t ScanPhysicalDrives(DriveRecord (&found)[MaxDrives], const bool (&skip)[MaxDrives]);

// OS kind 1 closes the one shared handle, OS kind 2 each record's own handle.
void CloseDriveDevices(uint32_t osKind);

// Fills the volume table with the fixed volumes C: to Z: whose information can be read.
void DiscoverVolumes();

// At a rescan, on the window thread: a fixed volume that appeared is added
// with its settings, one that came back takes its letter and names of now,
// one that is gone is marked missing. True when anything changed.
bool RescanVolumes();
