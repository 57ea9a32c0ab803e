// Device opens and their requests: the storage queries, the dispatch of every
// request, the handle table and the lines of the request log.
#include "emulator/drive_emulation.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/byte_order.h"
#include "drives/ata_pass_through.h"
#include "drives/drive_temperature.h"
#include "drives/storage_queries.h"
#include "emulator/emulated_replies.h"

namespace {

bool NamesEqual(const char *name, const char *expected, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        char a = name[i];
        char b = expected[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

// The access an IOCTL code demands sits in its bits 14 and 15 (1 read, 2 write).
bool AccessAllows(uint32_t access, uint32_t ioctl)
{
    constexpr uint32_t FileReadData = 0x0001;
    constexpr uint32_t FileWriteData = 0x0002;
    uint32_t required = (ioctl >> 14) & 3;
    bool canRead = (access & (EmulatedGenericRead | EmulatedGenericAll | FileReadData)) != 0;
    bool canWrite = (access & (EmulatedGenericWrite | EmulatedGenericAll | FileWriteData)) != 0;
    return (!(required & 1) || canRead) && (!(required & 2) || canWrite);
}

EmulatedReply AnswerGeometry(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    if (!output || outputLength < DriveGeometryLength)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    if (drive.media == EmulatedMedia::None)
        return RefuseRequest(EmulatedErrorNotReady);
    DiskGeometry geometry = {};
    geometry.Cylinders = drive.cylinders;
    geometry.MediaType = drive.media == EmulatedMedia::Fixed ? FixedMediaType : RemovableMediaType;
    geometry.TracksPerCylinder = drive.heads;
    geometry.SectorsPerTrack = drive.sectorsPerTrack;
    // Drives described before the storage queries existed keep 512 whatever their block size.
    geometry.BytesPerSector = drive.bus == EmulatedBus::None ? SmartSectorLength : drive.blockSize;
    return DeliverReply(reinterpret_cast<const uint8_t *>(&geometry), DriveGeometryLength, output);
}

// Space-padded text as NVMe Identify Controller holds it.
void PutPadded(uint8_t *field, size_t length, const char *text)
{
    memset(field, ' ', length);
    memcpy(field, text, BoundedLength(text, length));
}

uint32_t BusTypeOf(EmulatedBus bus)
{
    switch (bus) {
    case EmulatedBus::Ata:
        return AtaBusType;
    case EmulatedBus::Sata:
        return SataBusType;
    case EmulatedBus::Nvme:
        return NvmeBusType;
    case EmulatedBus::Usb:
        return UsbBusType;
    case EmulatedBus::None:
        break;
    }
    return 0;
}

// STORAGE_DEVICE_DESCRIPTOR with its four strings after the header and the raw
// properties. A buffer too short for it gets what fits, as the disk driver
// gives it, once it holds the header's Version and Size.
EmulatedReply AnswerDeviceProperty(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    static uint8_t reply[40 + 0xFFFF + 4 * (EmulatedModelLength + 1)];
    memset(reply, 0, sizeof reply);
    WriteLittleEndian32(reply + 32, drive.rawProperties);
    uint32_t at = 40 + drive.rawProperties;
    const char *vendor = drive.bus == EmulatedBus::Nvme ? "NVMe" : "ATA";
    const char *texts[] = {vendor, drive.model, drive.firmware, drive.serial};
    for (int i = 0; i < 4; i++) {
        WriteLittleEndian32(reply + 12 + 4 * i, at);
        size_t length = strlen(texts[i]);
        memcpy(reply + at, texts[i], length);
        at += static_cast<uint32_t>(length) + 1;
    }
    WriteLittleEndian32(reply, 40);
    WriteLittleEndian32(reply + 4, at);
    reply[10] = drive.media == EmulatedMedia::Removable ? 1 : 0;
    WriteLittleEndian32(reply + 28, BusTypeOf(drive.bus));
    if (!output || outputLength < 8)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    return DeliverReply(reply, outputLength < at ? outputLength : at, output);
}

// NVMe reports temperatures in kelvin, 0 for none.
uint16_t KelvinOf(uint8_t celsius)
{
    return celsius == 0 ? 0 : static_cast<uint16_t>(celsius + 273);
}

// STORAGE_TEMPERATURE_DATA_DESCRIPTOR with one sensor; refused for a drive
// described without a temperature, as drivers before Windows 10 refuse it.
EmulatedReply AnswerTemperatureProperty(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    if (drive.temperature == 0)
        return RefuseRequest(EmulatedErrorInvalidFunction);
    constexpr uint32_t Length = TemperatureDescriptorHeaderLength + TemperatureInfoLength;
    if (!output || outputLength < Length)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    uint8_t reply[Length] = {};
    WriteLittleEndian32(reply, TemperatureDescriptorHeaderLength);
    WriteLittleEndian32(reply + 4, Length);
    WriteLittleEndian16(reply + 8, drive.criticalTemperature);
    WriteLittleEndian16(reply + 10, drive.warningTemperature);
    WriteLittleEndian16(reply + 12, 1);
    WriteLittleEndian16(reply + TemperatureDescriptorHeaderLength + 2, drive.temperature);
    return DeliverReply(reply, Length, output);
}

// The NVMe protocol-specific queries: Identify Controller and the health log.
EmulatedReply AnswerNvmeQuery(const EmulatedDrive &drive, const uint8_t *input, uint32_t inputLength,
                              uint8_t *output, uint32_t outputLength)
{
    if (drive.bus != EmulatedBus::Nvme || inputLength < NvmeQueryHeaderLength || ReadLittleEndian32(input + 8) != 3)
        return RefuseRequest(EmulatedErrorInvalidFunction);
    if ((drive.healthRefused || drive.predictOnly) && ReadLittleEndian32(input + 12) == 2)
        return RefuseRequest(EmulatedErrorInvalidFunction);
    uint32_t dataType = ReadLittleEndian32(input + 12);
    uint32_t value = ReadLittleEndian32(input + 16);
    bool identify = dataType == 1 && value == 1;
    if (!identify && !(dataType == 2 && value == 2))
        return RefuseRequest(EmulatedErrorInvalidParameter);
    uint32_t length = identify ? NvmeIdentifyLength : NvmeHealthLogLength;
    if (!output || outputLength < NvmeQueryHeaderLength + length)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    if (!identify && !drive.healthSucceeds)
        return RefuseRequest(EmulatedErrorIoDevice);
    static uint8_t reply[NvmeQueryBufferLength];
    memset(reply, 0, sizeof reply);
    WriteLittleEndian32(reply, 48);
    WriteLittleEndian32(reply + 4, 48);
    memcpy(reply + 8, input + 8, 40);
    WriteLittleEndian32(reply + 8 + 16, 40);
    WriteLittleEndian32(reply + 8 + 20, length);
    uint8_t *data = reply + NvmeQueryHeaderLength;
    if (identify) {
        PutPadded(data + 4, 20, drive.serial);
        PutPadded(data + 24, 40, drive.model);
        PutPadded(data + 64, 8, drive.firmware);
        WriteLittleEndian16(data + 266, KelvinOf(drive.warningTemperature));
        WriteLittleEndian16(data + 268, KelvinOf(drive.criticalTemperature));
    } else {
        data[0] = drive.criticalWarning;
        WriteLittleEndian16(data + 1, KelvinOf(drive.temperature));
        data[5] = drive.percentageUsed;
        WriteLittleEndian64(data + 160, drive.mediaErrors);
    }
    return DeliverReply(reply, static_cast<uint32_t>(NvmeQueryHeaderLength) + length, output);
}

EmulatedReply AnswerStorageQuery(const EmulatedDrive &drive, const uint8_t *input, uint32_t inputLength,
                                 uint8_t *output, uint32_t outputLength)
{
    if (!input || inputLength < 8)
        return RefuseRequest(EmulatedErrorInvalidParameter);
    if (ReadLittleEndian32(input) == 0 && ReadLittleEndian32(input + 4) == 0)
        return AnswerDeviceProperty(drive, output, outputLength);
    if (ReadLittleEndian32(input) == DeviceTemperaturePropertyId && ReadLittleEndian32(input + 4) == 0)
        return AnswerTemperatureProperty(drive, output, outputLength);
    return AnswerNvmeQuery(drive, input, inputLength, output, outputLength);
}

// DISK_GEOMETRY_EX: the geometry and the disk's size in bytes.
EmulatedReply AnswerGeometryEx(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    uint8_t reply[GeometryExLength] = {};
    EmulatedReply geometry = AnswerGeometry(drive, reply, DriveGeometryLength);
    if (!geometry.ok)
        return geometry;
    uint64_t size = static_cast<uint64_t>(drive.lbaSectors) * drive.blockSize;
    WriteLittleEndian32(reply + 24, static_cast<uint32_t>(size));
    WriteLittleEndian32(reply + 28, static_cast<uint32_t>(size >> 32));
    if (!output || outputLength < GeometryExLength)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    return DeliverReply(reply, GeometryExLength, output);
}

EmulatedReply AnswerPredictFailure(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    if (!output || outputLength < PredictFailureLength)
        return RefuseRequest(EmulatedErrorInsufficientBuffer);
    if (drive.healthRefused && !drive.predictOnly)
        return RefuseRequest(EmulatedErrorInvalidFunction);
    if (!drive.healthSucceeds)
        return RefuseRequest(EmulatedErrorIoDevice);
    uint8_t reply[PredictFailureLength] = {};
    WriteLittleEndian32(reply, drive.predictsFailure ? 1 : 0);
    return DeliverReply(reply, PredictFailureLength, output);
}

// ---------------------------------------------------------------------------
// Request log

// Log lines stay one line each whatever a caller or the file puts in them.
void AppendPrintable(char *line, size_t size, const char *text, size_t limit)
{
    char copy[RequestLogLineSize];
    size_t length = BoundedLength(text, limit);
    if (length >= sizeof copy)
        length = sizeof copy - 1;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        copy[i] = c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    copy[length] = '\0';
    AppendTextSized(line, size, copy);
}

void AppendHandle(char *line, size_t size, uint32_t handleNumber)
{
    char handle[16];
    if (handleNumber == 0)
        CopyText(handle, "H?");
    else
        FormatInto(handle, "H%u", handleNumber);
    AppendTextSized(line, size, handle);
}

// count bytes as hex digits and a terminator; hex has room for them.
void WriteHex(char *hex, const uint8_t *bytes, uint32_t count)
{
    static const char Digits[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < count; ++i) {
        hex[2 * i] = Digits[bytes[i] >> 4];
        hex[2 * i + 1] = Digits[bytes[i] & 0x0F];
    }
    hex[2 * count] = '\0';
}

void AppendOutcome(char *line, size_t size, bool ok)
{
    AppendTextSized(line, size, ok ? " -> ok" : " -> FAIL");
}

}  // namespace

EmulatedReply RefuseRequest(uint32_t error)
{
    return {false, error, 0};
}

EmulatedReply DeliverReply(const uint8_t *reply, uint32_t length, uint8_t *output)
{
    memcpy(output, reply, length);
    return {true, 0, length};
}

EmulatedOpen AnswerDeviceOpen(const EmulatedBay &bay, const char *name, uint32_t access)
{
    static const char SmartDriverName[] = "\\\\.\\SMARTVSD";
    static const char PhysicalDrivePrefix[] = "\\\\.\\PhysicalDrive";
    constexpr size_t PrefixLength = sizeof PhysicalDrivePrefix - 1;

    EmulatedOpen result = {};
    result.device.access = access;
    if (!name) {
        result.error = EmulatedErrorInvalidParameter;
        return result;
    }
    size_t length = BoundedLength(name, PrefixLength + 3);
    if (length == sizeof SmartDriverName - 1 && NamesEqual(name, SmartDriverName, length)) {
        if (!bay.smartvsdPresent) {
            result.error = EmulatedErrorFileNotFound;
            return result;
        }
        result.ok = true;
        result.device.kind = EmulatedDeviceKind::SmartDriver;
        return result;
    }
    // The number as Windows writes it: no leading zero, so PhysicalDrive05 does not exist.
    int number = -1;
    if (length > PrefixLength && length <= PrefixLength + 2 && NamesEqual(name, PhysicalDrivePrefix, PrefixLength) &&
        (length == PrefixLength + 1 || name[PrefixLength] != '0')) {
        number = 0;
        for (size_t i = PrefixLength; i < length && number >= 0; i++)
            number = name[i] >= '0' && name[i] <= '9' ? number * 10 + (name[i] - '0') : -1;
    }
    // An unplugged drive's name is gone, as Windows removes it.
    if (number < 0 || number >= EmulatedDriveCount || !bay.drives[number].defined || !bay.drives[number].present) {
        result.error = EmulatedErrorFileNotFound;
        return result;
    }
    const EmulatedDrive &drive = bay.drives[number];
    // Opening with no access only queries the device, which works even where a full open is refused.
    if (access != 0 && !drive.openSucceeds) {
        result.error = EmulatedErrorAccessDenied;
        return result;
    }
    result.ok = true;
    result.device.kind = EmulatedDeviceKind::PhysicalDrive;
    result.device.drive = static_cast<uint8_t>(number);
    return result;
}

EmulatedReply AnswerDeviceControl(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl,
                                  const uint8_t *input, uint32_t inputLength, uint8_t *output,
                                  uint32_t outputLength)
{
    if (device.kind == EmulatedDeviceKind::PhysicalDrive) {
        // The description may have dropped the drive since the handle was opened.
        if (device.drive >= EmulatedDriveCount || !bay.drives[device.drive].defined)
            return RefuseRequest(EmulatedErrorDeviceNotExist);
        if (!bay.drives[device.drive].present)
            return RefuseRequest(EmulatedErrorFileNotFound);
        if (!AccessAllows(device.access, ioctl))
            return RefuseRequest(EmulatedErrorAccessDenied);
    }
    // Only a drive given a bus answers the storage queries.
    bool storage = device.kind == EmulatedDeviceKind::PhysicalDrive && bay.drives[device.drive].bus != EmulatedBus::None;
    switch (ioctl) {
    case DiskGetDriveGeometryIoctl:
        if (device.kind != EmulatedDeviceKind::PhysicalDrive)
            return RefuseRequest(EmulatedErrorInvalidFunction);
        return AnswerGeometry(bay.drives[device.drive], output, outputLength);
    case StorageQueryPropertyIoctl:
        if (!storage)
            return RefuseRequest(EmulatedErrorInvalidFunction);
        return AnswerStorageQuery(bay.drives[device.drive], input, inputLength, output, outputLength);
    case DiskGetDriveGeometryExIoctl:
        if (!storage)
            return RefuseRequest(EmulatedErrorInvalidFunction);
        return AnswerGeometryEx(bay.drives[device.drive], output, outputLength);
    case StoragePredictFailureIoctl:
        if (!storage)
            return RefuseRequest(EmulatedErrorInvalidFunction);
        return AnswerPredictFailure(bay.drives[device.drive], output, outputLength);
    case SmartGetVersionIoctl:
        return AnswerGetVersion(bay, output, outputLength);
    case SmartSendDriveCommandIoctl:
    case SmartRcvDriveDataIoctl:
        return AnswerSmartRequest(bay, device, ioctl, input, inputLength, output, outputLength);
    case ScsiPassThroughIoctl:
        if (device.kind != EmulatedDeviceKind::PhysicalDrive)
            return RefuseRequest(EmulatedErrorInvalidFunction);
        return AnswerPassThrough(bay, device, input, inputLength, output, outputLength);
    }
    return RefuseRequest(EmulatedErrorInvalidFunction);
}

uint32_t AddEmulatedHandle(EmulatedHandleTable &table, const EmulatedDevice &device)
{
    for (EmulatedHandleTable::Slot &slot : table.slots) {
        if (slot.number != 0)
            continue;
        slot.number = ++table.opened;
        slot.device = device;
        return slot.number;
    }
    return 0;
}

const EmulatedDevice *FindEmulatedHandle(const EmulatedHandleTable &table, uint32_t number)
{
    if (number == 0)
        return nullptr;
    for (const EmulatedHandleTable::Slot &slot : table.slots) {
        if (slot.number == number)
            return &slot.device;
    }
    return nullptr;
}

bool RemoveEmulatedHandle(EmulatedHandleTable &table, uint32_t number)
{
    if (number == 0)
        return false;
    for (EmulatedHandleTable::Slot &slot : table.slots) {
        if (slot.number == number) {
            slot = EmulatedHandleTable::Slot{};
            return true;
        }
    }
    return false;
}

void FormatVersionLogLine(char *line, size_t size, bool ok, uint32_t platformId, uint32_t majorVersion,
                          uint32_t minorVersion, uint32_t buildNumber)
{
    if (ok)
        FormatIntoSized(line, size, "VERSION -> ok %u %u.%u.%u", platformId, majorVersion, minorVersion,
                        buildNumber);
    else
        FormatIntoSized(line, size, "VERSION -> FAIL");
}

void FormatOpenLogLine(char *line, size_t size, const char *name, uint32_t access, uint32_t shareMode,
                       uint32_t disposition, uint32_t handleNumber)
{
    constexpr size_t LoggedNameLimit = 100;
    char parameters[80];
    FormatInto(parameters, " access=%08X share=%08X disposition=%u", access, shareMode, disposition);
    CopyTextSized(line, size, "OPEN ");
    AppendPrintable(line, size, name ? name : "(null)", LoggedNameLimit);
    AppendTextSized(line, size, parameters);
    if (handleNumber == 0) {
        AppendOutcome(line, size, false);
        return;
    }
    AppendTextSized(line, size, " -> ");
    AppendHandle(line, size, handleNumber);
}

void FormatIoctlLogLine(char *line, size_t size, uint32_t handleNumber, uint32_t ioctl, const uint8_t *input,
                        uint32_t inputLength, uint32_t outputLength, bool ok)
{
    CopyTextSized(line, size, "IOCTL ");
    AppendHandle(line, size, handleNumber);
    char code[16];
    FormatInto(code, " %08X ", ioctl);
    AppendTextSized(line, size, code);

    char hex[2 * LoggedInputLimit + 4];
    if (!input || inputLength == 0)
        CopyText(hex, "-");
    else if (ioctl == ScsiPassThroughIoctl && inputLength >= sizeof(ScsiPassThroughHeader)) {
        // The command tells one pass-through from another, not the header around it.
        WriteHex(hex, input + offsetof(ScsiPassThroughHeader, Cdb), AtaPassThroughCdbLength);
    } else {
        uint32_t shown = inputLength > LoggedInputLimit ? LoggedInputLimit : inputLength;
        WriteHex(hex, input, shown);
        if (shown < inputLength)
            AppendText(hex, "...");
    }
    AppendTextSized(line, size, hex);

    char out[24];
    FormatInto(out, " out=%u", outputLength);
    AppendTextSized(line, size, out);
    AppendOutcome(line, size, ok);
}

void FormatCloseLogLine(char *line, size_t size, uint32_t handleNumber, bool ok)
{
    CopyTextSized(line, size, "CLOSE ");
    AppendHandle(line, size, handleNumber);
    AppendOutcome(line, size, ok);
}

void FormatErrorLogLine(char *line, size_t size, const char *text)
{
    CopyTextSized(line, size, "ERROR ");
    AppendPrintable(line, size, text ? text : "", RequestLogLineSize);
}

void FormatSpaceLogLine(char *line, size_t size, const char *root, const EmulatedVolume *volume)
{
    CopyTextSized(line, size, "SPACE ");
    AppendPrintable(line, size, root ? root : "", 8);
    if (!volume || !volume->defined) {
        AppendTextSized(line, size, " -> system");
        return;
    }
    if (volume->succeeds) {
        char sizes[96];
        FormatInto(sizes, " total=%llu free=%llu available=%llu", static_cast<unsigned long long>(volume->totalBytes),
                   static_cast<unsigned long long>(volume->freeBytes),
                   static_cast<unsigned long long>(volume->availableBytes));
        AppendTextSized(line, size, sizes);
    }
    AppendOutcome(line, size, volume->succeeds);
}

namespace {

// The drive a health request (RETURN STATUS, the NVMe health log, failure
// prediction) goes to, or nullptr for any other request.
const EmulatedDrive *HealthRequestDrive(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl,
                                        const uint8_t *input, uint32_t inputLength)
{
    uint32_t number = device.drive;
    bool health = false;
    switch (ioctl) {
    case SmartSendDriveCommandIoctl:
        if (input && inputLength == SmartPacketLength) {
            SendCmdInParams packet = {};
            memcpy(&packet, input, SmartPacketLength);
            const SmartRequest status = BuildSmartRequest(SmartOperation::ReturnSMARTStatus, packet.bDriveNumber);
            health = memcmp(&packet.irDriveRegs, status.packet + offsetof(SendCmdInParams, irDriveRegs),
                            sizeof packet.irDriveRegs) == 0;
            if (device.kind == EmulatedDeviceKind::SmartDriver)
                number = packet.bDriveNumber;
        }
        break;
    case StorageQueryPropertyIoctl:
        // The protocol-specific query of log page 2: the NVMe health log.
        health = device.kind == EmulatedDeviceKind::PhysicalDrive && input && inputLength >= NvmeQueryHeaderLength &&
                 ReadLittleEndian32(input + 8) == 3 && ReadLittleEndian32(input + 12) == 2 &&
                 ReadLittleEndian32(input + 16) == 2;
        break;
    case StoragePredictFailureIoctl:
        health = device.kind == EmulatedDeviceKind::PhysicalDrive;
        break;
    case ScsiPassThroughIoctl:
        // RETURN STATUS through a SAT bridge.
        if (device.kind == EmulatedDeviceKind::PhysicalDrive && input && inputLength >= sizeof(ScsiPassThroughHeader)) {
            uint8_t status[AtaPassThroughCdbLength];
            BuildAtaPassThroughCdb(SmartOperation::ReturnSMARTStatus, status);
            health = memcmp(input + offsetof(ScsiPassThroughHeader, Cdb), status, sizeof status) == 0;
        }
        break;
    }
    if (!health || number >= EmulatedDriveCount || !bay.drives[number].defined)
        return nullptr;
    return &bay.drives[number];
}

}  // namespace

uint32_t EmulatedDelayOf(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl, const uint8_t *input,
                         uint32_t inputLength)
{
    const EmulatedDrive *drive = HealthRequestDrive(bay, device, ioctl, input, inputLength);
    return drive ? drive->delayMs : 0;
}

bool EmulatedHangOf(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl, const uint8_t *input,
                    uint32_t inputLength)
{
    const EmulatedDrive *drive = HealthRequestDrive(bay, device, ioctl, input, inputLength);
    return drive && drive->hangs;
}
