// The storage queries Windows answers on a handle opened with no access, for
// drives the SMART requests cannot reach (NVMe, or a standard user): request
// buffers, and the reading of their replies with every length and offset
// checked. Portable: the layouts are pinned here and against the SDK in
// storage_commands.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/drive_table.h"

constexpr uint32_t StorageQueryPropertyIoctl = 0x002D1400;
constexpr uint32_t StoragePredictFailureIoctl = 0x002D1100;
constexpr uint32_t DiskGetDriveGeometryExIoctl = 0x000700A0;

constexpr uint32_t AtaBusType = 3;     // BusTypeAta
constexpr uint32_t UsbBusType = 7;     // BusTypeUsb
constexpr uint32_t SataBusType = 11;   // BusTypeSata
constexpr uint32_t NvmeBusType = 17;   // BusTypeNvme
constexpr uint32_t RaidBusType = 8;    // BusTypeRAID

// "ata", "sata", "nvme" or "usb"; nullptr for a bus type the emulator does not describe.
const char *StorageBusName(uint32_t busType);

// The record's Bus ("other" for a type without a name) and BusType.
void TakeStorageBus(uint32_t busType, DriveRecord &record);

// STORAGE_PROPERTY_QUERY for StorageDeviceProperty, PropertyStandardQuery.
constexpr size_t DevicePropertyQueryLength = 12;
void BuildDevicePropertyQuery(uint8_t (&query)[DevicePropertyQueryLength]);

// A STORAGE_DEVICE_DESCRIPTOR reply: first asked with room for the header and
// its strings; one whose header claims more (long raw properties) is asked
// again at the size it claims, up to DeviceDescriptorLimit.
constexpr size_t DeviceDescriptorLength = 1024;
constexpr size_t DeviceDescriptorLimit = 64 * 1024;
constexpr size_t StorageTextSize = 64;

// The size to ask again with: the header's Size when it claims more than the
// length that came back and no more than the limit; 0 otherwise.
uint32_t DescriptorSizeToAskAgain(const uint8_t *reply, uint32_t length);

struct StorageIdentity {
    uint32_t busType;
    char vendor[StorageTextSize];
    char product[StorageTextSize];
    char revision[StorageTextSize];
    char serial[StorageTextSize];
};

// False for a reply too short for its header, whose Size claims more than came
// back, or with a string offset outside the reply or a string not ended in it.
// Missing strings (offset 0) are empty; all are trimmed of blanks.
bool ReadDeviceDescriptor(const uint8_t *reply, uint32_t length, StorageIdentity &identity);

// NVMe protocol-specific queries: Identify Controller and the SMART / Health
// Information log page, each a query header, the protocol request and its data.
enum class NvmeQuery : uint8_t { IdentifyController, HealthLog };
constexpr size_t NvmeQueryHeaderLength = 8 + 40;   // PropertyId, QueryType, STORAGE_PROTOCOL_SPECIFIC_DATA
constexpr size_t NvmeIdentifyLength = 4096;
constexpr size_t NvmeHealthLogLength = 512;
constexpr size_t NvmeQueryBufferLength = NvmeQueryHeaderLength + NvmeIdentifyLength;

// Fills buffer (zeroed first) and returns the length to send and receive.
uint32_t BuildNvmeQuery(NvmeQuery query, uint8_t (&buffer)[NvmeQueryBufferLength]);

// The data of a protocol-specific reply: false unless the descriptor's version
// and size are its own and the data lies whole inside the reply.
bool FindNvmeData(const uint8_t *reply, uint32_t length, NvmeQuery query, const uint8_t *&data);

struct NvmeIdentity {
    char model[41];
    char serial[21];
    char firmware[9];
    uint8_t warningTemperature;    // degrees Celsius, 0 when not reported
    uint8_t criticalTemperature;
};

// Model, serial and firmware of Identify Controller (the NvmeIdentifyLength
// bytes FindNvmeData found): plain ASCII, trimmed; and its temperature thresholds.
void ReadNvmeIdentity(const uint8_t *data, NvmeIdentity &identity);

// A Critical Warning that counts as a threshold exceeded: any bit but the
// temperature bit (1), which comes and goes with the room.
bool NvmeWarningExceeded(uint8_t criticalWarning);

// The watched counts of the health log (NvmeHealthLogLength bytes): Media and
// Data Integrity Errors (bytes 160-175, the low 32 bits) and whether Percentage
// Used (byte 5) reached 100. The ATA items stay 0.
void ReadNvmeCautionCounts(const uint8_t *healthLog, CautionCounts &counts);

// DISK_GEOMETRY_EX: the geometry clamped to what the drive record holds, and
// the disk size counted in 512-byte sectors whatever the drive's block size,
// since every size the program shows is the record's sectors x 512. False for
// a short reply or no sector size.
constexpr size_t GeometryExLength = 40;
struct StorageGeometry {
    bool fixedMedia;
    uint16_t cylinders;
    uint16_t heads;
    uint16_t sectorsPerTrack;
    uint32_t blockSize;   // the drive's bytes per sector
    uint64_t sectors;     // of 512 bytes
};
bool ReadGeometryEx(const uint8_t *reply, uint32_t length, StorageGeometry &geometry);

// How a health query answered: the drive's answer, refused by the driver as a
// request it does not take, or failed otherwise (an I/O error, no answer in time).
enum class HealthAnswer : uint8_t { Answered, Refused, Failed };

// How a drive the SMART requests cannot reach is watched, from what its NVMe
// health log (NVMe bus only) and its failure prediction answered; false when
// it is not taken, which a drive that may be asked but fails is not rather than
// reported failing at every check. Intel RST/VMD and vendor NVMe drivers report
// an NVMe or RAID bus and refuse these queries: such a drive is kept, through
// failure prediction where that answers, otherwise as not readable.
bool ChooseStorageAccess(uint32_t busType, HealthAnswer nvmeHealth, HealthAnswer prediction, DriveAccess &access);

// What a drive reached through the storage queries shows as its record: model,
// serial and firmware from the NVMe identity when there is one, otherwise from
// the descriptor; the geometry; and how its health is asked.
void DescribeStorageRecord(const StorageIdentity &identity, const NvmeIdentity *nvme, const StorageGeometry &geometry,
                           DriveAccess access, DriveRecord &record);

// STORAGE_PREDICT_FAILURE: false for a short reply; predicts receives PredictFailure != 0.
constexpr size_t PredictFailureLength = 516;
bool ReadPredictFailure(const uint8_t *reply, uint32_t length, bool &predicts);
