// The program-wide drive table, filled at start-up and added to as drives come;
// a drive that goes keeps its record, marked not present.
// Portable: handles are carried as the platform's opaque pointer types.
#pragma once

#include <cstdint>

#include "base/handles.h"
#include "base/text_format.h"
#include "state/smart_caution.h"

// PhysicalDrive0 to PhysicalDrive63: a card reader's empty slots and mixed
// NVMe, SATA and USB numbering put real drives well past the first few.
constexpr int MaxDrives = 64;
// The SMARTVSD driver's drive map names four IDE drives.
constexpr int MaxSmartvsdDrives = 4;
constexpr int AtaModelLength = 40;
constexpr int AtaSerialLength = 20;
constexpr int AtaFirmwareLength = 8;

// How a drive is asked for its health: the SMART requests, or, where they do
// not reach it, the NVMe health log or the system's failure prediction. A drive
// whose driver refuses both (RAID and vendor NVMe drivers) is listed but never
// asked: its health is not readable. An ATA drive behind a USB bridge that
// translates ATA PASS-THROUGH is asked every SMART request that way.
enum class DriveAccess : uint8_t {
    SmartIoctl = 0,
    NvmeHealth = 1,
    FailurePrediction = 2,
    NotReadable = 3,
    AtaPassThrough = 4,
};

struct DriveRecord {
    DeviceHandle Device;
    uint8_t DriveNumber;
    char Model[AtaModelLength + 1];
    char Serial[AtaSerialLength + 1];
    char FirmwareRev[AtaFirmwareLength + 1];
    uint16_t Cylinders;
    uint16_t Heads;
    uint16_t SectorsPerTrack;
    uint64_t LbaSectors;   // 48-bit count when the drive has one
    int32_t SMARTSupported;
    int32_t SMARTEnabled;
    int32_t SMARTError;
    char SMARTErrorTime[TimeStampSize];
    int32_t SimulateError;
    char SimulateErrorTime[TimeStampSize];
    WindowHandle ErrorDialog;
    WindowHandle SimulatedErrorDialog;
    WindowHandle OfflineTestDialog;
    int32_t OfflineTestRunning;
    uint8_t OfflineTestAttempts;
    uint16_t OfflineTestSeconds;
    int64_t OfflineTestStart;
    DriveAccess Access;
    // A caution: watched counts rose above those acknowledged (registry values
    // SMARTCaution, SMARTCautionTime and SMARTCautionCounts).
    int32_t SMARTCaution;
    char SMARTCautionTime[TimeStampSize];
    CautionCounts CautionAcknowledged;
    // The latest counts read; held while a caution stands, so that its
    // acknowledgement takes the counts its dialog showed.
    CautionCounts CautionSeen;
    uint8_t CautionSeenIds[CautionThresholdIdsMax];   // the attributes at threshold among them
    bool CautionSeenRead;
    // The items switched off in SMARTCautionWatched; 0 watches them all.
    uint32_t CautionUnwatched;
    // SMARTCautionBelow: how long each count has stood below the acknowledged one.
    CautionBelow CautionBelowSince;
    // A reading whose sectors failed their checksum: taken only when the next
    // check reads the same counts.
    CautionCounts CautionUnconfirmed;
    bool CautionUnconfirmedRead;
    WindowHandle CautionDialog;
    char Bus[8];   // "ata" on the SMART path; otherwise what the storage stack names
    uint8_t BusType;       // the storage stack's bus type; ATA on the SMART path
    uint8_t DeviceNumber;  // N of PhysicalDriveN, where the drive was last found
    // Not found at the latest scan, or its request found no device: it is not
    // asked and raises nothing new; its standing alerts stay.
    int32_t Missing;
    // Went while the PC ran on a bus nobody unplugs: its SMART error says so.
    bool Vanished;
    // Temperatures in degrees Celsius, 0 for none: the latest reading, and the
    // warning and critical temperatures the drive reports of itself.
    uint8_t Temperature;
    uint8_t TemperatureWarning;
    uint8_t TemperatureCritical;
    bool SolidState;             // IDENTIFY word 217 says so, or an NVMe drive
    uint32_t TemperatureLimit;   // the drive key's TemperatureLimit: 0 automatic, 255 never
    uint8_t TemperatureHotChecks;    // checks in a row at or above the limit, up to 2
    bool TemperatureSpell;           // raised, and not read cool since
    uint8_t TemperatureHighest;      // the highest reading since the alert was raised
    // A drive temperature alert (registry values TemperatureAlert and TemperatureAlertTime).
    int32_t TemperatureAlert;
    char TemperatureAlertTime[TimeStampSize];
    WindowHandle TemperatureDialog;
};

// The items not watched on a drive: those switched off in its key and those
// its model's family fills with other data.
uint32_t CautionItemsUnwatched(const DriveRecord &drive);

// The watched counts of the latest reading that rose over the acknowledged ones.
void FormatDriveCautionRises(const DriveRecord &drive, char (&text)[CautionTextSize]);

// Whether the drive sits inside the PC (ATA, SATA, SAS, NVMe, RAID), where
// vanishing while the PC runs is itself a sign of failure. A drive on a bus
// users unplug (USB, SD, 1394) or of a kind they detach (virtual disks, the
// network) raises nothing when it goes.
bool OnInternalBus(const DriveRecord &drive);

extern DriveRecord Drives[MaxDrives];
extern uint8_t DriveCount;
extern uint8_t CurrentDrive;
// A rescan of the drives is out: its answers will change the table, so no
// check opens a round on it meanwhile.
extern bool DriveRescanOut;
