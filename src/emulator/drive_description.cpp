// Reading emulated-drives.txt into an EmulatedBay, and the bay it starts from.
#include "emulator/description_tokens.h"
#include "emulator/drive_emulation.h"

#include <cstddef>
#include <cstring>

#include "base/bounded_text.h"

namespace {

bool ApplyVersion(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 4, count))
        return false;
    if (count == 1) {
        if (!TokenIs(arguments[0], "fail"))
            return Fail(state, "'version' expects fail or four numbers");
        state.bay.versionSucceeds = false;
        return true;
    }
    if (count != 4)
        return Fail(state, "'version' expects fail or four numbers");
    uint32_t values[4];
    for (int i = 0; i < 4; ++i) {
        if (!ReadNumberArgument(state, rule, arguments[i], 0xFFFFFFFF, values[i]))
            return false;
    }
    state.bay.versionSucceeds = true;
    state.bay.platformId = values[0];
    state.bay.majorVersion = values[1];
    state.bay.minorVersion = values[2];
    state.bay.buildNumber = values[3];
    return true;
}

bool ApplySmartvsd(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"present", "absent"};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 2, "present or absent");
    if (choice < 0)
        return false;
    state.bay.smartvsdPresent = choice == 0;
    return true;
}

bool ApplyGetVersion(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"ok", "fail"};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 2, "ok or fail");
    if (choice < 0)
        return false;
    state.bay.getVersionSucceeds = choice == 0;
    return true;
}

bool ApplyDriveMap(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t map = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count) ||
        !ReadNumberArgument(state, rule, arguments[0], 0xFF, map))
        return false;
    state.bay.driveMapGiven = true;
    state.bay.driveMap = static_cast<uint8_t>(map);
    return true;
}

bool ApplyTrayAddFails(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    return ReadArguments(state, rule, rest, end, arguments, 1, 1, count) &&
           ReadNumberArgument(state, rule, arguments[0], MostTrayAddFails, state.bay.trayAddFails);
}

bool ApplyDrive(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t n = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count) ||
        !ReadNumberArgument(state, rule, arguments[0], EmulatedDriveCount - 1, n))
        return false;
    EmulatedDrive &drive = state.bay.drives[n];
    // A second section for the same number would silently undo the first one's lines.
    if (drive.defined)
        return Fail(state, "drive %u is described twice", n);
    SetDefaultDrive(drive, static_cast<int>(n));
    state.drive = &drive;
    return true;
}

// Text keywords take everything after the one blank that follows the keyword,
// so leading, trailing and inner spaces and '#' all reach the drive as written.
bool ApplyText(ParseState &state, const KeywordRule &rule, const char *rest, const char *end, char *destination,
               size_t capacity)
{
    if (rest < end)
        ++rest;
    size_t length = static_cast<size_t>(end - rest);
    if (length > capacity)
        return Fail(state, "'%s' text is longer than %zu characters", rule.keyword, capacity);
    memcpy(destination, rest, length);
    destination[length] = '\0';
    return true;
}

bool ApplyModel(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    return ApplyText(state, rule, rest, end, state.drive->model, EmulatedModelLength);
}

bool ApplySerial(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    return ApplyText(state, rule, rest, end, state.drive->serial, EmulatedSerialLength);
}

bool ApplyFirmware(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    return ApplyText(state, rule, rest, end, state.drive->firmware, EmulatedFirmwareLength);
}

bool ApplyWord(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t value = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count) ||
        !ReadNumberArgument(state, rule, arguments[0], 0xFFFF, value))
        return false;
    state.drive->*rule.word = static_cast<uint16_t>(value);
    return true;
}

bool ApplyByte(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t value = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count) ||
        !ReadNumberArgument(state, rule, arguments[0], 0xFF, value))
        return false;
    state.drive->*rule.byte = static_cast<uint8_t>(value);
    return true;
}

bool ApplyLba(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t value = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count) ||
        !ReadNumberArgument(state, rule, arguments[0], 0xFFFFFFFF, value))
        return false;
    state.drive->lbaSectors = value;
    return true;
}

bool ApplyDelay(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t value = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count) ||
        !ReadNumberArgument(state, rule, arguments[0], MostEmulatedDelayMs, value))
        return false;
    state.drive->delayMs = value;
    return true;
}

bool ApplyFlag(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"ok", "fail"};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 2, "ok or fail");
    if (choice < 0)
        return false;
    state.drive->*rule.flag = choice == 0;
    return true;
}

bool ApplyMedia(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"fixed", "removable", "none"};
    static const EmulatedMedia media[] = {EmulatedMedia::Fixed, EmulatedMedia::Removable, EmulatedMedia::None};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 3, "fixed, removable or none");
    if (choice < 0)
        return false;
    state.drive->media = media[choice];
    return true;
}

bool ApplyBus(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"ata", "sata", "nvme", "usb"};
    static const EmulatedBus buses[] = {EmulatedBus::Ata, EmulatedBus::Sata, EmulatedBus::Nvme, EmulatedBus::Usb};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 4, "ata, sata, nvme or usb");
    if (choice < 0)
        return false;
    state.drive->bus = buses[choice];
    return true;
}

bool ApplyBlockSize(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"512", "4096"};
    static const uint32_t sizes[] = {512, 4096};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 2, "512 or 4096");
    if (choice < 0)
        return false;
    state.drive->blockSize = sizes[choice];
    return true;
}

// yes or no into the rule's flag.
bool ApplyYesNo(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"no", "yes"};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 2, "no or yes");
    if (choice < 0)
        return false;
    state.drive->*rule.flag = choice == 1;
    return true;
}

bool ApplyHealth(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"ok", "fail", "refused"};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 3, "ok, fail or refused");
    if (choice < 0)
        return false;
    state.drive->healthSucceeds = choice != 1;
    state.drive->healthRefused = choice == 2;
    return true;
}

bool ApplyStatus(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"ok", "exceeded", "fail"};
    static const EmulatedStatus status[] = {EmulatedStatus::Ok, EmulatedStatus::Exceeded, EmulatedStatus::Fail};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 3, "ok, exceeded or fail");
    if (choice < 0)
        return false;
    state.drive->status = status[choice];
    return true;
}

// The raw sector may be split by blanks anywhere, as long as 1024 digits arrive.
bool ApplySector(ParseState &state, const KeywordRule &, const char *rest, const char *end)
{
    uint8_t sector[SmartSectorLength] = {};
    size_t digits = 0;
    for (const char *c = rest; c < end && *c != '#'; ++c) {
        if (IsBlank(*c))
            continue;
        int value = HexDigitValue(*c);
        if (value < 0)
            return Fail(state, "'sector' holds a character that is not a hex digit: '%c'", *c);
        if (digits == 2 * SmartSectorLength)
            return Fail(state, "'sector' holds more than %zu hex digits", 2 * SmartSectorLength);
        sector[digits / 2] = static_cast<uint8_t>(sector[digits / 2] | (digits % 2 ? value : value << 4));
        ++digits;
    }
    if (digits != 2 * SmartSectorLength)
        return Fail(state, "'sector' needs %zu hex digits, found %zu", 2 * SmartSectorLength, digits);
    memcpy(state.drive->rawSector, sector, sizeof sector);
    state.drive->hasRawSector = true;
    return true;
}

bool ApplyIdentifyWord(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t index = 0;
    uint32_t value = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 2, 2, count) ||
        !ReadNumberArgument(state, rule, arguments[0], IdentifyWordCount - 1, index) ||
        !ReadNumberArgument(state, rule, arguments[1], 0xFFFF, value))
        return false;
    state.drive->identifyWordSet[index] = true;
    state.drive->identifyWords[index] = static_cast<uint16_t>(value);
    return true;
}

bool ApplyDataByte(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t offset = 0;
    uint32_t value = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 2, 2, count) ||
        !ReadNumberArgument(state, rule, arguments[0], SmartSectorLength - 1, offset) ||
        !ReadNumberArgument(state, rule, arguments[1], 0xFF, value))
        return false;
    state.drive->dataByteSet[offset] = true;
    state.drive->dataBytes[offset] = static_cast<uint8_t>(value);
    return true;
}

// attribute <id> <current> <worst> <raw> [<flags>]: the slot of an id's first
// line, or the next free one.
bool ApplyAttribute(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t id = 0;
    uint32_t current = 0;
    uint32_t worst = 0;
    uint64_t raw = 0;
    uint32_t flags = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 4, 5, count) ||
        !ReadNumberArgument(state, rule, arguments[0], 255, id) ||
        !ReadNumberArgument(state, rule, arguments[1], 255, current) ||
        !ReadNumberArgument(state, rule, arguments[2], 255, worst) ||
        (count == 5 && !ReadNumberArgument(state, rule, arguments[4], 0xFFFF, flags)))
        return false;
    if (id == 0)
        return Fail(state, "'0' is not a number from 1 to 255 for '%s'", rule.keyword);
    if (!ReadNumber64(arguments[3], 0xFFFFFFFFFFFFull, raw))
        return Fail(state, "'%.*s' is not a 48-bit number for 'attribute'", QuotedLength(arguments[3]),
                    arguments[3].text);
    for (EmulatedAttribute &slot : state.drive->attributes) {
        if (slot.id == 0 || slot.id == id) {
            slot = {static_cast<uint8_t>(id), static_cast<uint8_t>(current), static_cast<uint8_t>(worst), raw,
                    static_cast<uint16_t>(flags)};
            return true;
        }
    }
    return Fail(state, "more than %d attributes", EmulatedAttributeSlots);
}

// threshold <id> <value>, slotted as attributes are.
bool ApplyThreshold(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    uint32_t id = 0;
    uint32_t value = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 2, 2, count) ||
        !ReadNumberArgument(state, rule, arguments[0], 255, id) ||
        !ReadNumberArgument(state, rule, arguments[1], 255, value))
        return false;
    if (id == 0)
        return Fail(state, "'0' is not a number from 1 to 255 for '%s'", rule.keyword);
    for (EmulatedThreshold &slot : state.drive->thresholds) {
        if (slot.id == 0 || slot.id == id) {
            slot = {static_cast<uint8_t>(id), static_cast<uint8_t>(value)};
            return true;
        }
    }
    return Fail(state, "more than %d thresholds", EmulatedAttributeSlots);
}

bool ApplyMediaErrors(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count))
        return false;
    if (!ReadNumber64(arguments[0], UINT64_MAX, state.drive->mediaErrors))
        return Fail(state, "'%.*s' is not a 64-bit number for 'media-errors'", QuotedLength(arguments[0]),
                    arguments[0].text);
    return true;
}

// volume <letter> total <bytes> free <bytes> [available <bytes>], or volume <letter> fail
bool ApplyVolume(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    Token arguments[MaxArguments];
    int count = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 2, 7, count))
        return false;
    char letter[2] = {arguments[0].length == 1 ? arguments[0].text[0] : '\0', '\0'};
    const EmulatedVolume *described = EmulatedVolumeOf(state.bay, letter);
    if (!described)
        return Fail(state, "'%.*s' is not a drive letter from C to Z for 'volume'", QuotedLength(arguments[0]),
                    arguments[0].text);
    EmulatedVolume &volume = state.bay.volumes[described - state.bay.volumes];
    volume = EmulatedVolume{};
    volume.defined = true;
    if (count == 2 && TokenIs(arguments[1], "fail"))
        return true;
    if (count % 2 == 0)
        return Fail(state, "'volume' expects fail, or sizes in pairs of a name and a number");
    bool haveTotal = false;
    bool haveFree = false;
    bool haveAvailable = false;
    for (int i = 1; i < count; i += 2) {
        static const char *const names[] = {"total", "free", "available"};
        int which = ReadChoice(state, rule, arguments[i], names, 3, "total, free or available");
        uint64_t value = 0;
        if (which < 0)
            return false;
        if (!ReadNumber64(arguments[i + 1], UINT64_MAX, value))
            return Fail(state, "'%.*s' is not a 64-bit number for 'volume'", QuotedLength(arguments[i + 1]),
                        arguments[i + 1].text);
        uint64_t *fields[] = {&volume.totalBytes, &volume.freeBytes, &volume.availableBytes};
        bool *seen[] = {&haveTotal, &haveFree, &haveAvailable};
        *fields[which] = value;
        *seen[which] = true;
    }
    if (!haveTotal || !haveFree)
        return Fail(state, "'volume' needs both total and free");
    if (!haveAvailable)
        volume.availableBytes = volume.freeBytes;
    if (volume.freeBytes > volume.totalBytes || volume.availableBytes > volume.freeBytes)
        return Fail(state, "'volume' needs available <= free <= total");
    volume.succeeds = true;
    return true;
}

const KeywordRule KeywordRules[] = {
    {"version", false, ApplyVersion, nullptr, nullptr, nullptr},
    {"smartvsd", false, ApplySmartvsd, nullptr, nullptr, nullptr},
    {"drivemap", false, ApplyDriveMap, nullptr, nullptr, nullptr},
    {"getversion", false, ApplyGetVersion, nullptr, nullptr, nullptr},
    {"tray-add-fails", false, ApplyTrayAddFails, nullptr, nullptr, nullptr},
    {"drive", false, ApplyDrive, nullptr, nullptr, nullptr},
    {"volume", false, ApplyVolume, nullptr, nullptr, nullptr},
    {"model", true, ApplyModel, nullptr, nullptr, nullptr},
    {"serial", true, ApplySerial, nullptr, nullptr, nullptr},
    {"firmware", true, ApplyFirmware, nullptr, nullptr, nullptr},
    {"cylinders", true, ApplyWord, nullptr, &EmulatedDrive::cylinders, nullptr},
    {"heads", true, ApplyWord, nullptr, &EmulatedDrive::heads, nullptr},
    {"sectors", true, ApplyWord, nullptr, &EmulatedDrive::sectorsPerTrack, nullptr},
    {"lba", true, ApplyLba, nullptr, nullptr, nullptr},
    {"config", true, ApplyWord, nullptr, &EmulatedDrive::config, nullptr},
    {"sector", true, ApplySector, nullptr, nullptr, nullptr},
    {"identify-word", true, ApplyIdentifyWord, nullptr, nullptr, nullptr},
    {"media", true, ApplyMedia, nullptr, nullptr, nullptr},
    {"open", true, ApplyFlag, &EmulatedDrive::openSucceeds, nullptr, nullptr},
    {"identify", true, ApplyFlag, &EmulatedDrive::identifySucceeds, nullptr, nullptr},
    {"enable", true, ApplyFlag, &EmulatedDrive::enableSucceeds, nullptr, nullptr},
    {"disable", true, ApplyFlag, &EmulatedDrive::disableSucceeds, nullptr, nullptr},
    {"autosave", true, ApplyFlag, &EmulatedDrive::autosaveSucceeds, nullptr, nullptr},
    {"execute", true, ApplyFlag, &EmulatedDrive::executeSucceeds, nullptr, nullptr},
    {"readdata", true, ApplyFlag, &EmulatedDrive::readDataSucceeds, nullptr, nullptr},
    {"readthresholds", true, ApplyFlag, &EmulatedDrive::readThresholdsSucceeds, nullptr, nullptr},
    {"attribute", true, ApplyAttribute, nullptr, nullptr, nullptr},
    {"threshold", true, ApplyThreshold, nullptr, nullptr, nullptr},
    {"status", true, ApplyStatus, nullptr, nullptr, nullptr},
    {"offline-status", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::offlineStatus},
    {"offline-capability", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::offlineCapability},
    {"offline-seconds", true, ApplyWord, nullptr, &EmulatedDrive::offlineSeconds, nullptr},
    {"data-byte", true, ApplyDataByte, nullptr, nullptr, nullptr},
    {"bus", true, ApplyBus, nullptr, nullptr, nullptr},
    {"block-size", true, ApplyBlockSize, nullptr, nullptr, nullptr},
    {"raw-properties", true, ApplyWord, nullptr, &EmulatedDrive::rawProperties, nullptr},
    {"health", true, ApplyHealth, nullptr, nullptr, nullptr},
    {"predict-only", true, ApplyYesNo, &EmulatedDrive::predictOnly, nullptr, nullptr},
    {"critical-warning", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::criticalWarning},
    {"predict", true, ApplyYesNo, &EmulatedDrive::predictsFailure, nullptr, nullptr},
    {"media-errors", true, ApplyMediaErrors, nullptr, nullptr, nullptr},
    {"percentage-used", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::percentageUsed},
    {"delay", true, ApplyDelay, nullptr, nullptr, nullptr},
    {"hang", true, ApplyYesNo, &EmulatedDrive::hangs, nullptr, nullptr},
    {"present", true, ApplyYesNo, &EmulatedDrive::present, nullptr, nullptr},
    {"sat", true, ApplyYesNo, &EmulatedDrive::sat, nullptr, nullptr},
    {"temperature", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::temperature},
    {"warning-temperature", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::warningTemperature},
    {"critical-temperature", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::criticalTemperature},
};

bool ParseLine(ParseState &state, const char *begin, const char *end)
{
    if (memchr(begin, '\0', static_cast<size_t>(end - begin)))
        return Fail(state, "the line holds a NUL byte");
    const char *cursor = begin;
    Token keyword;
    if (!NextToken(cursor, end, keyword))
        return true;
    for (const KeywordRule &rule : KeywordRules) {
        if (!TokenIs(keyword, rule.keyword))
            continue;
        if (rule.inDrive && !state.drive)
            return Fail(state, "'%s' comes before any 'drive' line", rule.keyword);
        return rule.handler(state, rule, cursor, end);
    }
    return Fail(state, "unknown keyword '%.*s'", QuotedLength(keyword), keyword.text);
}

}  // namespace

const EmulatedVolume *EmulatedVolumeOf(const EmulatedBay &bay, const char *root)
{
    char letter = root ? root[0] : '\0';
    if (letter >= 'c' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'C' || letter > 'Z')
        return nullptr;
    return &bay.volumes[letter - 'A'];
}

void SetEmptyBay(EmulatedBay &bay)
{
    // Of the drives only those described are cleared: a bay of a few drives
    // touches their memory alone, as the program's own tables do.
    memset(static_cast<void *>(&bay), 0, offsetof(EmulatedBay, drives));
    for (EmulatedDrive &drive : bay.drives) {
        if (drive.defined)
            drive = EmulatedDrive{};
    }
    bay.versionSucceeds = true;
    bay.platformId = 2;
    bay.majorVersion = 5;
    bay.minorVersion = 1;
    bay.buildNumber = 2600;
    bay.smartvsdPresent = true;
    bay.getVersionSucceeds = true;
}

void SetDefaultBay(EmulatedBay &bay)
{
    SetEmptyBay(bay);
    SetDefaultDrive(bay.drives[0], 0);
    SetDefaultDrive(bay.drives[1], 1);
}

bool ParseDriveDescription(const char *text, size_t length, EmulatedBay &bay, DescriptionError &error)
{
    SetEmptyBay(bay);
    error.line = 0;
    error.message[0] = '\0';
    ParseState state{bay, nullptr, error, 0};
    size_t start = 0;
    // Editors on Windows like to begin a UTF-8 file with a byte-order mark.
    if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        start = 3;
    while (start < length) {
        ++state.line;
        size_t stop = start;
        while (stop < length && text[stop] != '\n')
            ++stop;
        size_t lineEnd = stop;
        if (lineEnd > start && text[lineEnd - 1] == '\r')
            --lineEnd;
        if (!ParseLine(state, text + start, text + lineEnd))
            return false;
        start = stop + 1;
    }
    return true;
}

void FormatDescriptionError(const DescriptionError &error, char *text, size_t size)
{
    if (error.line > 0)
        FormatIntoSized(text, size, "%s line %d: %s", DriveDescriptionFileName, error.line, error.message);
    else
        FormatIntoSized(text, size, "%s: %s", DriveDescriptionFileName, error.message);
}
