// Start-up discovery of the drives and the fixed volumes, and the release of
// the drive devices at the end of the run.
#pragma once

#include <cstdint>

// Fills the drive table for the OS kind. Returns false only when OS kind 1's
// SMARTVSD driver cannot be opened; finding no drive is the caller's to judge.
bool DiscoverDrives(uint32_t osKind);

// OS kind 1 closes the one shared handle, OS kind 2 each record's own handle.
void CloseDriveDevices(uint32_t osKind);

// Fills the volume table with the fixed volumes C: to Z: whose information can be read.
void DiscoverVolumes();
