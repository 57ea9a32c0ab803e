// The eight ATA requests and the device opening, through the device layer.
// Each request returns the BOOL of its one DeviceIoControl call, failed with
// ERROR_IO_DEVICE when the call went through but the drive or its driver
// reports the command failed.
#pragma once

#include <windows.h>

#include <cstdint>

// A device handle for SMART requests, or INVALID_HANDLE_VALUE. Windows 9x opens
// the SMARTVSD driver (index unused); Windows NT opens PhysicalDrive<index>, fixed
// media only.
HANDLE OpenDriveDevice(uint32_t osKind, uint8_t index);

// PhysicalDrive<index> with the access given, shared for reading and
// writing; no access at all is enough for the storage queries.
HANDLE OpenPhysicalDrive(uint8_t index, DWORD access);

// SMART_GET_VERSION on the SMARTVSD handle: the IDE drive map, 0 when the query fails.
uint8_t QueryDriveMap(HANDLE device);

// How an ATA request reaches the drive: the SMART driver requests, or an ATA
// PASS-THROUGH command a USB bridge translates (SAT), on the read/write handle.
enum class AtaPath : uint8_t { SmartDriver, PassThrough };

BOOL IdentifyDrive(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);
BOOL EnableSMART(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);
BOOL DisableSMART(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);
BOOL EnableAttributeAutosave(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);
BOOL ExecuteOfflineImmediate(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);
BOOL ReadSMARTData(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);
BOOL ReadSMARTThresholds(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);

// 1 when the drive reports no threshold exceeded; 0 when it reports one or the request failed.
int ReturnSMARTStatus(HANDLE device, uint8_t driveNumber, AtaPath path = AtaPath::SmartDriver);

// Whether RETURN STATUS through ATA PASS-THROUGH comes back with its result
// registers, healthy or not: a bridge that drops them would read as a failing
// drive at every check.
bool PassThroughReturnsStatus(HANDLE device);

// The 512-byte sector of the calling thread's last IDENTIFY, READ DATA or READ
// THRESHOLDS reply; read it before the thread's next request.
uint8_t *SmartDataSector();
