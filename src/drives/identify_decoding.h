// Decoding of the 512-byte IDENTIFY DEVICE sector and of ATA strings.
#pragma once

#include <cstdint>

#include "state/drive_table.h"

// Fills the identity and geometry fields of record and returns true when the
// sector describes an acceptable drive; returns false and leaves record untouched
// otherwise. The sector's string words are byte-swapped in place.
bool DecodeIdentifyData(uint8_t *sector, DriveRecord &record);

// The same for the record at CurrentDrive, as start-up's discovery uses it.
bool DecodeIdentifyData(uint8_t *sector);

// Swaps the two bytes of each 16-bit word of an ATA string in place. An odd
// length leaves the last byte where it is: nothing past the field is touched.
void SwapAtaString(char *text, uint16_t length);

// Swaps source in place, then copies it into destination (length + 1 bytes)
// without its leading and trailing spaces, stopping at a NUL.
void CopyAtaString(char *destination, char *source, uint16_t length);
