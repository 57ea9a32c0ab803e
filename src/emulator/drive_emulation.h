// The emulated drive bay behind holmvard-emulated.exe: the description file that
// says which drives exist and how they answer, the answers to device opens and
// requests, and the lines of the request log. Portable: the Win32 side only reads
// the files, keeps the handles and hands bytes to these functions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drives/smart_requests.h"

constexpr char DriveDescriptionFileName[] = "emulated-drives.txt";
constexpr char RequestLogFileName[] = "emulated-requests.log";

constexpr int EmulatedDriveCount = 64;
constexpr size_t EmulatedModelLength = 40;
constexpr size_t EmulatedSerialLength = 20;
constexpr size_t EmulatedFirmwareLength = 8;
constexpr size_t IdentifyWordCount = SmartSectorLength / 2;

// Win32 error codes the emulation reports; the Win32 side checks them against the SDK.
constexpr uint32_t EmulatedErrorInvalidFunction = 1;     // ERROR_INVALID_FUNCTION
constexpr uint32_t EmulatedErrorFileNotFound = 2;        // ERROR_FILE_NOT_FOUND
constexpr uint32_t EmulatedErrorAccessDenied = 5;        // ERROR_ACCESS_DENIED
constexpr uint32_t EmulatedErrorInvalidHandle = 6;       // ERROR_INVALID_HANDLE
constexpr uint32_t EmulatedErrorNotReady = 21;           // ERROR_NOT_READY
constexpr uint32_t EmulatedErrorDeviceNotExist = 55;     // ERROR_DEV_NOT_EXIST
constexpr uint32_t EmulatedErrorInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
constexpr uint32_t EmulatedErrorInsufficientBuffer = 122;// ERROR_INSUFFICIENT_BUFFER
constexpr uint32_t EmulatedErrorIoDevice = 1117;         // ERROR_IO_DEVICE

// Access bits as CreateFileA receives them.
constexpr uint32_t EmulatedGenericRead = 0x80000000;
constexpr uint32_t EmulatedGenericWrite = 0x40000000;
constexpr uint32_t EmulatedGenericAll = 0x10000000;

enum class EmulatedMedia : uint8_t { Fixed, Removable, None };
// The bus the storage queries report; None: the drive answers none of them, as
// every drive described before they existed.
enum class EmulatedBus : uint8_t { None, Ata, Sata, Nvme, Usb };
enum class EmulatedStatus : uint8_t { Ok, Exceeded, Fail };

// One entry of the SMART attribute table and of the threshold table, in the
// slot of the id's first line.
constexpr int EmulatedAttributeSlots = 30;
struct EmulatedAttribute {
    uint8_t id;          // 0: the slot is free
    uint8_t current;
    uint8_t worst;
    uint64_t raw;        // 48 bits
    uint16_t flags;      // bit 0: pre-failure
};
struct EmulatedThreshold {
    uint8_t id;
    uint8_t value;
};

struct EmulatedDrive {
    bool defined;
    char model[EmulatedModelLength + 1];
    char serial[EmulatedSerialLength + 1];
    char firmware[EmulatedFirmwareLength + 1];
    uint16_t config;
    uint16_t cylinders;
    uint16_t heads;
    uint16_t sectorsPerTrack;
    uint32_t lbaSectors;
    bool hasRawSector;
    uint8_t rawSector[SmartSectorLength];
    bool identifyWordSet[IdentifyWordCount];
    uint16_t identifyWords[IdentifyWordCount];
    bool dataByteSet[SmartSectorLength];
    uint8_t dataBytes[SmartSectorLength];
    EmulatedMedia media;
    bool openSucceeds;
    bool identifySucceeds;
    bool enableSucceeds;
    bool disableSucceeds;
    bool autosaveSucceeds;
    bool executeSucceeds;
    bool readDataSucceeds;
    bool readThresholdsSucceeds;
    EmulatedAttribute attributes[EmulatedAttributeSlots];
    EmulatedThreshold thresholds[EmulatedAttributeSlots];
    EmulatedStatus status;
    uint8_t offlineStatus;
    uint8_t offlineCapability;
    uint16_t offlineSeconds;
    EmulatedBus bus;
    uint32_t blockSize;         // bytes per sector the geometry of a drive with a bus reports
    uint16_t rawProperties;     // RawPropertiesLength of the storage descriptor
    bool healthSucceeds;        // the NVMe health log and the failure prediction are answered
    bool healthRefused;         // both refused with ERROR_INVALID_FUNCTION, as RAID and vendor NVMe drivers do
    bool predictOnly;           // only the NVMe queries are refused so; failure prediction answers
    uint8_t criticalWarning;    // byte 0 of the NVMe health log
    bool predictsFailure;       // PredictFailure of IOCTL_STORAGE_PREDICT_FAILURE
    uint64_t mediaErrors;       // bytes 160-167 of the NVMe health log
    uint8_t percentageUsed;     // byte 5 of the NVMe health log
    uint32_t delayMs;           // how long the health requests take to answer
    bool hangs;                 // the health requests never complete and ignore cancelling
    bool present;               // false: unplugged; every open and request fails with ERROR_FILE_NOT_FOUND
    bool sat;                   // a USB drive's bridge translates ATA PASS-THROUGH; otherwise it refuses it
    // Degrees Celsius, 0 for none: the NVMe health log's Composite Temperature
    // and the temperature property's first sensor; the warning and critical
    // temperatures of Identify Controller and of the property.
    uint8_t temperature;
    uint8_t warningTemperature;
    uint8_t criticalTemperature;
};

constexpr uint32_t MostEmulatedDelayMs = 3600000;

// A volume whose space the description gives; a volume it does not describe is
// answered by the system.
struct EmulatedVolume {
    bool defined;
    bool succeeds;
    uint64_t totalBytes;
    uint64_t freeBytes;
    uint64_t availableBytes;
};

constexpr int EmulatedVolumeLetters = 26;   // indexed by letter - 'A'; only C to Z are described

struct EmulatedBay {
    bool versionSucceeds;
    uint32_t platformId;
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint32_t buildNumber;
    bool smartvsdPresent;
    bool driveMapGiven;
    uint8_t driveMap;
    bool getVersionSucceeds;
    EmulatedVolume volumes[EmulatedVolumeLetters];
    uint32_t trayAddFails;      // how many of the run's first tray-icon adds the shell refuses
    // Last, so a new description clears the rest at once and only the drives it had.
    EmulatedDrive drives[EmulatedDriveCount];
};

constexpr uint32_t MostTrayAddFails = 1000;

struct DescriptionError {
    int line;            // 1-based; 0 for a fault of the whole file
    char message[120];
};

// The description's volume for a root such as "C:\\" (the letter in either
// case), or nullptr for a root outside C to Z.
const EmulatedVolume *EmulatedVolumeOf(const EmulatedBay &bay, const char *root);

// A description with nothing in it: NT family 5.1.2600, SMARTVSD present, no
// drive. bay is zero-initialised or was set by these functions before: only
// the drives it had are cleared, so the rest of its memory stays untouched.
void SetEmptyBay(EmulatedBay &bay);

// What runs without a description file: drives 0 and 1, fixed and healthy.
// bay as for SetEmptyBay.
void SetDefaultBay(EmulatedBay &bay);

// The values a drive section starts from for drive number n.
void SetDefaultDrive(EmulatedDrive &drive, int n);

// Reads a description text of length bytes (no terminator needed) into bay
// (as for SetEmptyBay), starting from the empty bay. On the first fault returns false with its line
// number and reason in error; bay is then unspecified.
bool ParseDriveDescription(const char *text, size_t length, EmulatedBay &bay, DescriptionError &error);

// "emulated-drives.txt line 7: unknown keyword 'modle'", for the log's ERROR line.
void FormatDescriptionError(const DescriptionError &error, char *text, size_t size);

// The drive map SMART_GET_VERSION reports: the given one, or a bit per defined drive.
uint8_t EmulatedDriveMap(const EmulatedBay &bay);

// The IDENTIFY DEVICE sector of a drive: its raw sector when one was given,
// otherwise one built from its identity and geometry fields; identify-word
// overrides apply on top of either.
void BuildIdentifySector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength]);

// The SMART READ DATA sector of a drive, carrying its off-line collection values
// and its attributes.
void BuildSmartDataSector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength]);

// The SMART READ THRESHOLDS sector of a drive, carrying its thresholds.
void BuildSmartThresholdSector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength]);

enum class EmulatedDeviceKind : uint8_t { SmartDriver, PhysicalDrive };

struct EmulatedDevice {
    EmulatedDeviceKind kind;
    uint8_t drive;       // PhysicalDrive only: the number of its name
    uint32_t access;
};

struct EmulatedOpen {
    bool ok;
    uint32_t error;      // a Win32 error code when !ok
    EmulatedDevice device;
};

// The answer to opening name with access under bay: "\\.\SMARTVSD" unless it is
// absent, "\\.\PhysicalDriveN" for a defined drive N (probe opens with access 0
// always succeed, others follow the drive's open keyword; a drive not present
// is not found). Names are compared without regard to case.
EmulatedOpen AnswerDeviceOpen(const EmulatedBay &bay, const char *name, uint32_t access);

struct EmulatedReply {
    bool ok;
    uint32_t error;      // a Win32 error code when !ok
    uint32_t returned;   // bytes written to the output; 0 when !ok
};

// The answer to one request on an open device. Writes the reply into output only
// when the request succeeds; the bytes past the reply are left alone.
EmulatedReply AnswerDeviceControl(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl,
                                  const uint8_t *input, uint32_t inputLength, uint8_t *output,
                                  uint32_t outputLength);

// How long the request waits before its answer: the drive's delay for the
// requests a health check sends (RETURN STATUS, the NVMe health log, failure
// prediction), 0 for every other.
uint32_t EmulatedDelayOf(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl, const uint8_t *input,
                         uint32_t inputLength);

// Whether the request is a health request of a drive that hangs: it completes
// only once the description no longer says so, and ignores being cancelled.
bool EmulatedHangOf(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl, const uint8_t *input,
                    uint32_t inputLength);

// Open devices of one process. Handles are numbered by successful opens from 1 and a
// number is never reused, so a stale handle can never reach a later device.
// Room for every drive's handle, the handles a rescan opens beside them and
// those it has replaced and not yet closed, and the SMARTVSD handle.
constexpr int EmulatedHandleSlots = 3 * EmulatedDriveCount + 1;

struct EmulatedHandleTable {
    struct Slot {
        uint32_t number;  // 0: free
        EmulatedDevice device;
    };
    Slot slots[EmulatedHandleSlots];
    uint32_t opened;      // numbers handed out so far
};

// Returns the new handle's number, or 0 when every slot is taken.
uint32_t AddEmulatedHandle(EmulatedHandleTable &table, const EmulatedDevice &device);

// The device of an open handle, or nullptr when number is not open.
const EmulatedDevice *FindEmulatedHandle(const EmulatedHandleTable &table, uint32_t number);

// Frees the handle; false when number is not open.
bool RemoveEmulatedHandle(EmulatedHandleTable &table, uint32_t number);

// Request-log lines, without the line end. A handle number of 0 stands for a handle
// the emulation never handed out and prints as "H?". Inputs longer than
// LoggedInputLimit bytes are logged up to the limit and followed by "...".
constexpr size_t RequestLogLineSize = 256;
constexpr uint32_t LoggedInputLimit = 64;

void FormatVersionLogLine(char *line, size_t size, bool ok, uint32_t platformId, uint32_t majorVersion,
                          uint32_t minorVersion, uint32_t buildNumber);
void FormatOpenLogLine(char *line, size_t size, const char *name, uint32_t access, uint32_t shareMode,
                       uint32_t disposition, uint32_t handleNumber);  // handleNumber 0: the open failed
void FormatIoctlLogLine(char *line, size_t size, uint32_t handleNumber, uint32_t ioctl, const uint8_t *input,
                        uint32_t inputLength, uint32_t outputLength, bool ok);
void FormatCloseLogLine(char *line, size_t size, uint32_t handleNumber, bool ok);
void FormatErrorLogLine(char *line, size_t size, const char *text);
// "SPACE C:\ total=<n> free=<n> available=<n> -> ok", "SPACE C:\ -> FAIL", or
// "SPACE C:\ -> system" for a volume the description leaves to the system.
void FormatSpaceLogLine(char *line, size_t size, const char *root, const EmulatedVolume *volume);
