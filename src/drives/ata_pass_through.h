// ATA commands wrapped in the SCSI ATA PASS-THROUGH (16) command, which the
// USB storage drivers hand on to a SAT bridge: the request buffer of
// IOCTL_SCSI_PASS_THROUGH, and the reading of its reply and sense data.
// Portable: the Win32 side pins the header against the SDK and only hands
// these bytes to the device layer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drives/smart_requests.h"

constexpr uint32_t ScsiPassThroughIoctl = 0x0004D004;   // IOCTL_SCSI_PASS_THROUGH

constexpr size_t AtaPassThroughCdbLength = 16;
constexpr uint8_t AtaPassThroughOperation = 0x85;

// SCSI_PASS_THROUGH with the platform's own alignment: its data offset is a
// ULONG_PTR, so the header is 56 bytes in x64 and 44 in a 32-bit build.
struct ScsiPassThroughHeader {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    uintptr_t DataBufferOffset;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[AtaPassThroughCdbLength];
};

constexpr uint8_t ScsiDataOut = 0;           // SCSI_IOCTL_DATA_OUT
constexpr uint8_t ScsiDataIn = 1;            // SCSI_IOCTL_DATA_IN
constexpr uint8_t ScsiDataUnspecified = 2;   // SCSI_IOCTL_DATA_UNSPECIFIED: no data

constexpr uint8_t ScsiStatusGood = 0x00;
constexpr uint8_t ScsiStatusCheckCondition = 0x02;

// One buffer carries the request out and the reply back: the header, then the
// sense data, then the sector of a data-in command.
constexpr size_t SatSenseOffset = sizeof(ScsiPassThroughHeader);
constexpr size_t SatSenseLength = 32;
constexpr size_t SatDataOffset = SatSenseOffset + SatSenseLength;
constexpr size_t SatBufferLength = SatDataOffset + SmartSectorLength;

// The bridge's own limit for a command, in seconds; the device layer's wait
// covers a bridge that never answers at all.
constexpr uint32_t SatCommandTimeoutSeconds = 20;

// The CDB of one operation: the ATA registers of the SMART driver's packet for
// drive 0, as PIO data-in for a sector read and non-data otherwise. RETURN
// STATUS asks for its result registers back (CK_COND).
void BuildAtaPassThroughCdb(SmartOperation operation, uint8_t (&cdb)[AtaPassThroughCdbLength]);

// Fills buffer (zeroed first) with the pass-through request of one operation;
// returns the length to send and to receive.
uint32_t BuildSatRequest(SmartOperation operation, uint8_t (&buffer)[SatBufferLength]);

// Whether the sector read (IDENTIFY, READ DATA, READ THRESHOLDS) or the
// non-data command of operation was carried out: sent, GOOD status and, for a
// read, the whole sector at SatDataOffset. Not for RETURN STATUS.
bool SatCommandDone(SmartOperation operation, bool requestSucceeded, const uint8_t *reply, uint32_t returned);

// What sense data says: its key and additional sense code, and the ATA
// result registers where it carries them (the ATA Status Return descriptor of
// descriptor-format sense, or a fixed-format sense of ATA PASS-THROUGH
// INFORMATION AVAILABLE).
struct SenseData {
    uint8_t key;
    uint8_t asc;
    uint8_t ascq;
    bool registers;
    uint8_t error;
    uint8_t status;
    uint8_t lbaLow;
    uint8_t lbaMid;
    uint8_t lbaHigh;
};

constexpr uint8_t SenseKeyNoSense = 0x00;
constexpr uint8_t SenseKeyRecoveredError = 0x01;
constexpr uint8_t SenseKeyIllegalRequest = 0x05;
constexpr uint8_t SenseKeyAbortedCommand = 0x0B;

// False for sense too short for its format, of an unknown response code, or
// whose lengths point outside the length given.
bool ReadSenseData(const uint8_t *sense, size_t length, SenseData &data);

// The sense data of a reply: as much as the header says came back, within its
// room in the buffer. False when there is none or it cannot be read.
bool ReadSatSense(const uint8_t *reply, uint32_t returned, SenseData &data);

// RETURN STATUS through the bridge, by its result registers: no threshold
// exceeded (4Fh/C2h), one exceeded (F4h/2Ch), or no answer: the request
// failed, the check condition is another than the one asked for, or the
// registers are missing or say neither.
enum class SatStatus : uint8_t { Healthy, Exceeded, Unanswered };
SatStatus ReadSatStatus(bool requestSucceeded, const uint8_t *reply, uint32_t returned);

// 1 when healthy, 0 otherwise, as a SMART driver's RETURN STATUS reads.
int ReadSatReturnStatus(bool requestSucceeded, const uint8_t *reply, uint32_t returned);
