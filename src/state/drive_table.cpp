#include "state/drive_table.h"

DriveRecord Drives[MaxDrives];
uint8_t DriveCount;
uint8_t CurrentDrive;
