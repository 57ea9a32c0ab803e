// Request packets for the SMART driver interface and the reading of its replies.
// Portable: the Win32 side only hands these bytes to the device layer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/smart_caution.h"

constexpr uint32_t SmartGetVersionIoctl = 0x00074080;        // SMART_GET_VERSION
constexpr uint32_t SmartSendDriveCommandIoctl = 0x0007C084;  // SMART_SEND_DRIVE_COMMAND
constexpr uint32_t SmartRcvDriveDataIoctl = 0x0007C088;      // SMART_RCV_DRIVE_DATA
constexpr uint32_t DiskGetDriveGeometryIoctl = 0x00070000;   // IOCTL_DISK_GET_DRIVE_GEOMETRY

constexpr uint32_t FixedMediaType = 12;
constexpr uint32_t RemovableMediaType = 11;

constexpr size_t SmartPacketLength = 32;      // SENDCMDINPARAMS less its one-byte bBuffer
constexpr size_t SmartSectorLength = 512;
constexpr size_t SmartReplyHeaderLength = 16; // SENDCMDOUTPARAMS up to bBuffer
constexpr size_t SmartDataReplyLength = SmartReplyHeaderLength + SmartSectorLength;  // 528
constexpr size_t SmartStatusReplyLength = SmartReplyHeaderLength + 8;                // 24
constexpr size_t SmartCommandReplyLength = SmartReplyHeaderLength;                   // 16
constexpr size_t DriveMapReplyLength = 24;    // GETVERSIONINPARAMS
constexpr size_t DriveGeometryLength = 24;    // DISK_GEOMETRY

#pragma pack(push, 1)
struct IdeRegisters {
    uint8_t bFeaturesReg;
    uint8_t bSectorCountReg;
    uint8_t bSectorNumberReg;
    uint8_t bCylLowReg;
    uint8_t bCylHighReg;
    uint8_t bDriveHeadReg;
    uint8_t bCommandReg;
    uint8_t bReserved;
};

struct SendCmdInParams {
    uint32_t cBufferSize;
    IdeRegisters irDriveRegs;
    uint8_t bDriveNumber;
    uint8_t bReserved[3];
    uint32_t dwReserved[4];
    uint8_t bBuffer[1];
};

struct SendCmdOutParams {
    uint32_t cBufferSize;
    uint8_t bDriverError;
    uint8_t bIDEError;
    uint8_t bReserved[2];
    uint32_t dwReserved[2];
    uint8_t bBuffer[1];
};

struct GetVersionInParams {
    uint8_t bVersion;
    uint8_t bRevision;
    uint8_t bReserved;
    uint8_t bIDEDeviceMap;
    uint32_t fCapabilities;
    uint32_t dwReserved[4];
};

struct DiskGeometry {
    int64_t Cylinders;
    uint32_t MediaType;
    uint32_t TracksPerCylinder;
    uint32_t SectorsPerTrack;
    uint32_t BytesPerSector;
};
#pragma pack(pop)

static_assert(sizeof(IdeRegisters) == 8);
static_assert(sizeof(SendCmdInParams) == 33);
static_assert(offsetof(SendCmdInParams, irDriveRegs) == 4);
static_assert(offsetof(SendCmdInParams, bDriveNumber) == 12);
static_assert(offsetof(SendCmdInParams, dwReserved) == 16);
static_assert(offsetof(SendCmdInParams, bBuffer) == SmartPacketLength);
static_assert(sizeof(SendCmdOutParams) == 17);
static_assert(offsetof(SendCmdOutParams, bBuffer) == SmartReplyHeaderLength);
static_assert(sizeof(GetVersionInParams) == DriveMapReplyLength);
static_assert(offsetof(GetVersionInParams, bIDEDeviceMap) == 3);
static_assert(sizeof(DiskGeometry) == DriveGeometryLength);
static_assert(offsetof(DiskGeometry, MediaType) == 8);

// The eight ATA requests the program ever sends.
enum class SmartOperation {
    IdentifyDrive,
    EnableSMART,
    DisableSMART,
    EnableAttributeAutosave,
    ReturnSMARTStatus,
    ExecuteOfflineImmediate,
    ReadSMARTData,
    ReadSMARTThresholds,
};

struct SmartRequest {
    uint32_t ioctl;
    uint8_t packet[SmartPacketLength];
    uint32_t outputLength;
};

// The request packet, IOCTL and output length of one operation for one drive number.
SmartRequest BuildSmartRequest(SmartOperation operation, uint8_t driveNumber);

// Whether a request was carried out: sent, and its reply (any SENDCMDOUTPARAMS)
// names no driver error. A driver may succeed the call and report there that
// the command failed.
bool SmartReplyAnswered(bool requestSucceeded, const uint8_t *reply);

// 1 when the drive reports no threshold exceeded; 0 when it reports one exceeded
// or when the request itself failed. reply holds SmartStatusReplyLength bytes.
int ReadReturnStatus(bool requestSucceeded, const uint8_t *reply);

struct OfflineCollectionInfo {
    uint8_t status;       // sector byte 362
    uint8_t capability;   // sector byte 367, bit 0: EXECUTE OFF-LINE IMMEDIATE implemented
    uint16_t seconds;     // sector bytes 364-365, little-endian
};

// Picks the off-line data collection values out of a 512-byte SMART data sector.
OfflineCollectionInfo GetOfflineCollectionInfo(const uint8_t *sector);

// The watched counts of a SMART data sector and its threshold sector: the raw
// values of attributes 5 and 196 (low 16 bits), 187, 197 and 198 (low 32 bits),
// and how many pre-failure attributes other than a temperature stand at or
// below a non-zero threshold, their ids into thresholdIds when given
// (CautionThresholdIdsMax bytes). Without a threshold sector (nullptr) that
// item stays 0. The NVMe items stay 0.
void ReadAtaCautionCounts(const uint8_t *dataSector, const uint8_t *thresholdSector, CautionCounts &counts,
                          uint8_t *thresholdIds = nullptr);

// Both SMART sectors hold this many 12-byte entries after the 2-byte revision:
// an attribute's id, 16-bit flags, current and worst values and 6-byte raw
// value; a threshold's id and value.
constexpr int SmartAttributeEntries = 30;
constexpr size_t SmartAttributeRawAt = 5;

// Entry k (0 to SmartAttributeEntries - 1) of a data or threshold sector.
const uint8_t *SmartAttributeEntry(const uint8_t *sector, int k);

// The entry of attribute id in a data or threshold sector, or nullptr.
const uint8_t *FindSmartAttribute(const uint8_t *sector, uint8_t id);

// Whether a 512-byte SMART data or threshold sector sums to 0, as its byte 511 is meant to make it.
bool SmartSectorChecksumValid(const uint8_t *sector);

// The drive-map byte of a GETVERSIONINPARAMS reply, limited to the four IDE positions.
uint8_t ReadDriveMap(const uint8_t *reply);

// The media type of a DISK_GEOMETRY reply.
uint32_t ReadMediaType(const uint8_t *geometry);
