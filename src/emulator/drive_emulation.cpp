#include "emulator/drive_emulation.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/byte_order.h"
#include "drives/storage_queries.h"

namespace {

// ---------------------------------------------------------------------------
// Description file

struct Token {
    const char *text;
    size_t length;
};

struct ParseState {
    EmulatedBay &bay;
    EmulatedDrive *drive;   // the open drive section, nullptr before the first one
    DescriptionError &error;
    int line;
};

struct KeywordRule;
using KeywordHandler = bool (*)(ParseState &state, const KeywordRule &rule, const char *rest, const char *end);

struct KeywordRule {
    const char *keyword;
    bool inDrive;                       // only inside a drive section
    KeywordHandler handler;
    bool EmulatedDrive::*flag;          // ok|fail keywords
    uint16_t EmulatedDrive::*word;      // 16-bit number keywords
    uint8_t EmulatedDrive::*byte;       // 8-bit number keywords
};

// Token texts from the file are quoted at most this long in messages.
constexpr int QuotedTokenLimit = 32;

int QuotedLength(const Token &token)
{
    return token.length > QuotedTokenLimit ? QuotedTokenLimit : static_cast<int>(token.length);
}

HOLMVARD_PRINTF(2, 3) bool Fail(ParseState &state, const char *format, ...)
{
    state.error.line = state.line;
    va_list arguments;
    va_start(arguments, format);
    FormatIntoSizedV(state.error.message, sizeof state.error.message, format, arguments);
    va_end(arguments);
    return false;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Reads the next blank-separated token; false at the line end or at a '#' that
// starts a token, which opens a comment.
bool NextToken(const char *&cursor, const char *end, Token &token)
{
    while (cursor < end && IsBlank(*cursor))
        ++cursor;
    if (cursor == end || *cursor == '#')
        return false;
    token.text = cursor;
    while (cursor < end && !IsBlank(*cursor))
        ++cursor;
    token.length = static_cast<size_t>(cursor - token.text);
    return true;
}

bool TokenIs(const Token &token, const char *word)
{
    return strlen(word) == token.length && memcmp(token.text, word, token.length) == 0;
}

constexpr int MaxArguments = 8;

// Splits the rest of a line into between least and most arguments.
bool ReadArguments(ParseState &state, const KeywordRule &rule, const char *rest, const char *end, Token *arguments,
                   int least, int most, int &count)
{
    count = 0;
    Token token;
    while (NextToken(rest, end, token)) {
        if (count == MaxArguments || count == most)
            return Fail(state, "too many values for '%s'", rule.keyword);
        arguments[count++] = token;
    }
    if (count < least)
        return Fail(state, "missing value for '%s'", rule.keyword);
    return true;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decimal, or hexadecimal after 0x; no sign. False when not a number or above most.
bool ReadNumber64(const Token &token, uint64_t most, uint64_t &value)
{
    uint64_t total = 0;
    size_t i = 0;
    unsigned base = 10;
    if (token.length > 2 && token.text[0] == '0' && (token.text[1] == 'x' || token.text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i == token.length)
        return false;
    for (; i < token.length; ++i) {
        int digit = HexDigitValue(token.text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            return false;
        // total * base + digit > most, without overflowing
        if (static_cast<unsigned>(digit) > most || total > (most - static_cast<unsigned>(digit)) / base)
            return false;
        total = total * base + static_cast<unsigned>(digit);
    }
    value = total;
    return true;
}

bool ReadNumber(const Token &token, uint32_t most, uint32_t &value)
{
    uint64_t wide = 0;
    if (!ReadNumber64(token, most, wide))
        return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

bool ReadNumberArgument(ParseState &state, const KeywordRule &rule, const Token &token, uint32_t most,
                        uint32_t &value)
{
    if (ReadNumber(token, most, value))
        return true;
    return Fail(state, "'%.*s' is not a number from 0 to %u for '%s'", QuotedLength(token), token.text, most,
                rule.keyword);
}

// The index of token among choices, or -1 after reporting the fault.
int ReadChoice(ParseState &state, const KeywordRule &rule, const Token &token, const char *const *choices,
               int choiceCount, const char *expected)
{
    for (int i = 0; i < choiceCount; ++i) {
        if (TokenIs(token, choices[i]))
            return i;
    }
    Fail(state, "'%s' expects %s, not '%.*s'", rule.keyword, expected, QuotedLength(token), token.text);
    return -1;
}

// One keyword with a single value chosen from a list.
int ReadSingleChoice(ParseState &state, const KeywordRule &rule, const char *rest, const char *end,
                     const char *const *choices, int choiceCount, const char *expected)
{
    Token arguments[MaxArguments];
    int count = 0;
    if (!ReadArguments(state, rule, rest, end, arguments, 1, 1, count))
        return -1;
    return ReadChoice(state, rule, arguments[0], choices, choiceCount, expected);
}

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

bool ApplyPredict(ParseState &state, const KeywordRule &rule, const char *rest, const char *end)
{
    static const char *const choices[] = {"no", "yes"};
    int choice = ReadSingleChoice(state, rule, rest, end, choices, 2, "no or yes");
    if (choice < 0)
        return false;
    state.drive->predictsFailure = choice == 1;
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
    {"status", true, ApplyStatus, nullptr, nullptr, nullptr},
    {"offline-status", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::offlineStatus},
    {"offline-capability", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::offlineCapability},
    {"offline-seconds", true, ApplyWord, nullptr, &EmulatedDrive::offlineSeconds, nullptr},
    {"data-byte", true, ApplyDataByte, nullptr, nullptr, nullptr},
    {"bus", true, ApplyBus, nullptr, nullptr, nullptr},
    {"health", true, ApplyFlag, &EmulatedDrive::healthSucceeds, nullptr, nullptr},
    {"critical-warning", true, ApplyByte, nullptr, nullptr, &EmulatedDrive::criticalWarning},
    {"predict", true, ApplyPredict, nullptr, nullptr, nullptr},
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

// ---------------------------------------------------------------------------
// Sectors

constexpr uint16_t DefaultConfig = 0x0040;         // fixed device
constexpr uint16_t DefaultCylinders = 16383;
constexpr uint16_t DefaultHeads = 16;
constexpr uint16_t DefaultSectorsPerTrack = 63;
constexpr uint32_t DefaultLbaSectors = 78165360;   // 40 GB
constexpr uint8_t DefaultOfflineStatus = 0x02;     // last collection completed without error
constexpr uint8_t DefaultOfflineCapability = 0x01; // EXECUTE OFF-LINE IMMEDIATE implemented
constexpr uint16_t DefaultOfflineSeconds = 120;

constexpr size_t SerialOffset = 20;
constexpr size_t FirmwareOffset = 46;
constexpr size_t ModelOffset = 54;
constexpr size_t IntegrityWord = 255;
constexpr uint8_t IntegritySignature = 0xA5;

constexpr size_t OfflineStatusOffset = 362;
constexpr size_t OfflineSecondsOffset = 364;
constexpr size_t OfflineCapabilityOffset = 367;
constexpr size_t SmartCapabilityOffset = 368;
constexpr size_t ErrorLoggingOffset = 370;
constexpr size_t DataChecksumOffset = 511;

void PutWord(uint8_t *bytes, size_t word, uint16_t value)
{
    bytes[2 * word] = static_cast<uint8_t>(value & 0xFF);
    bytes[2 * word + 1] = static_cast<uint8_t>(value >> 8);
}

// ATA strings are space-padded and keep their first character in the high byte of each word.
void PutAtaString(uint8_t *sector, size_t offset, size_t length, const char *text)
{
    memset(sector + offset, ' ', length);
    size_t used = BoundedLength(text, length);
    for (size_t i = 0; i < used; ++i)
        sector[offset + (i ^ 1)] = static_cast<uint8_t>(text[i]);
}

// The byte that makes all bytes of the sector sum to zero.
uint8_t ZeroSumByte(const uint8_t *sector, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += sector[i];
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

void BuildIdentityFields(const EmulatedDrive &drive, uint8_t *sector)
{
    PutWord(sector, 0, drive.config);
    PutWord(sector, 1, drive.cylinders);
    PutWord(sector, 3, drive.heads);
    PutWord(sector, 6, drive.sectorsPerTrack);
    PutAtaString(sector, SerialOffset, EmulatedSerialLength, drive.serial);
    PutAtaString(sector, FirmwareOffset, EmulatedFirmwareLength, drive.firmware);
    PutAtaString(sector, ModelOffset, EmulatedModelLength, drive.model);
    PutWord(sector, 47, 0x8010);   // READ/WRITE MULTIPLE up to 16 sectors
    PutWord(sector, 49, 0x0300);   // LBA and DMA supported
    PutWord(sector, 53, 0x0007);   // words 54-58, 64-70 and 88 valid
    PutWord(sector, 54, drive.cylinders);
    PutWord(sector, 55, drive.heads);
    PutWord(sector, 56, drive.sectorsPerTrack);
    uint32_t chsSectors = static_cast<uint32_t>(drive.cylinders) * drive.heads * drive.sectorsPerTrack;
    PutWord(sector, 57, static_cast<uint16_t>(chsSectors & 0xFFFF));
    PutWord(sector, 58, static_cast<uint16_t>(chsSectors >> 16));
    PutWord(sector, 60, static_cast<uint16_t>(drive.lbaSectors & 0xFFFF));
    PutWord(sector, 61, static_cast<uint16_t>(drive.lbaSectors >> 16));
    PutWord(sector, 80, 0x007E);   // ATA-1 to ATA-6
    PutWord(sector, 82, 0x0001);   // SMART feature set supported
    PutWord(sector, 83, 0x4000);
    PutWord(sector, 84, 0x4000);
    PutWord(sector, 85, 0x0001);   // SMART feature set enabled
    PutWord(sector, 87, 0x4000);
}

// ---------------------------------------------------------------------------
// Requests

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

EmulatedReply Refuse(uint32_t error)
{
    return {false, error, 0};
}

EmulatedReply Deliver(const uint8_t *reply, uint32_t length, uint8_t *output)
{
    memcpy(output, reply, length);
    return {true, 0, length};
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
        return Refuse(EmulatedErrorInsufficientBuffer);
    if (drive.media == EmulatedMedia::None)
        return Refuse(EmulatedErrorNotReady);
    DiskGeometry geometry = {};
    geometry.Cylinders = drive.cylinders;
    geometry.MediaType = drive.media == EmulatedMedia::Fixed ? FixedMediaType : RemovableMediaType;
    geometry.TracksPerCylinder = drive.heads;
    geometry.SectorsPerTrack = drive.sectorsPerTrack;
    geometry.BytesPerSector = SmartSectorLength;
    return Deliver(reinterpret_cast<const uint8_t *>(&geometry), DriveGeometryLength, output);
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

// STORAGE_DEVICE_DESCRIPTOR with its four strings after the header.
EmulatedReply AnswerDeviceProperty(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    uint8_t reply[DeviceDescriptorLength] = {};
    uint32_t at = 40;
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
    if (!output || outputLength < at)
        return Refuse(EmulatedErrorInsufficientBuffer);
    return Deliver(reply, at, output);
}

// The NVMe protocol-specific queries: Identify Controller and the health log.
EmulatedReply AnswerNvmeQuery(const EmulatedDrive &drive, const uint8_t *input, uint32_t inputLength,
                              uint8_t *output, uint32_t outputLength)
{
    if (drive.bus != EmulatedBus::Nvme || inputLength < NvmeQueryHeaderLength || ReadLittleEndian32(input + 8) != 3)
        return Refuse(EmulatedErrorInvalidFunction);
    uint32_t dataType = ReadLittleEndian32(input + 12);
    uint32_t value = ReadLittleEndian32(input + 16);
    bool identify = dataType == 1 && value == 1;
    if (!identify && !(dataType == 2 && value == 2))
        return Refuse(EmulatedErrorInvalidParameter);
    uint32_t length = identify ? NvmeIdentifyLength : NvmeHealthLogLength;
    if (!output || outputLength < NvmeQueryHeaderLength + length)
        return Refuse(EmulatedErrorInsufficientBuffer);
    if (!identify && !drive.healthSucceeds)
        return Refuse(EmulatedErrorIoDevice);
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
    } else {
        data[0] = drive.criticalWarning;
    }
    return Deliver(reply, static_cast<uint32_t>(NvmeQueryHeaderLength) + length, output);
}

EmulatedReply AnswerStorageQuery(const EmulatedDrive &drive, const uint8_t *input, uint32_t inputLength,
                                 uint8_t *output, uint32_t outputLength)
{
    if (!input || inputLength < 8)
        return Refuse(EmulatedErrorInvalidParameter);
    if (ReadLittleEndian32(input) == 0 && ReadLittleEndian32(input + 4) == 0)
        return AnswerDeviceProperty(drive, output, outputLength);
    return AnswerNvmeQuery(drive, input, inputLength, output, outputLength);
}

// DISK_GEOMETRY_EX: the geometry and the disk's size in bytes.
EmulatedReply AnswerGeometryEx(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    uint8_t reply[GeometryExLength] = {};
    EmulatedReply geometry = AnswerGeometry(drive, reply, DriveGeometryLength);
    if (!geometry.ok)
        return geometry;
    uint64_t size = static_cast<uint64_t>(drive.lbaSectors) * SmartSectorLength;
    WriteLittleEndian32(reply + 24, static_cast<uint32_t>(size));
    WriteLittleEndian32(reply + 28, static_cast<uint32_t>(size >> 32));
    if (!output || outputLength < GeometryExLength)
        return Refuse(EmulatedErrorInsufficientBuffer);
    return Deliver(reply, GeometryExLength, output);
}

EmulatedReply AnswerPredictFailure(const EmulatedDrive &drive, uint8_t *output, uint32_t outputLength)
{
    if (!output || outputLength < PredictFailureLength)
        return Refuse(EmulatedErrorInsufficientBuffer);
    if (!drive.healthSucceeds)
        return Refuse(EmulatedErrorIoDevice);
    uint8_t reply[PredictFailureLength] = {};
    WriteLittleEndian32(reply, drive.predictsFailure ? 1 : 0);
    return Deliver(reply, PredictFailureLength, output);
}

EmulatedReply AnswerGetVersion(const EmulatedBay &bay, uint8_t *output, uint32_t outputLength)
{
    if (!output || outputLength < DriveMapReplyLength)
        return Refuse(EmulatedErrorInsufficientBuffer);
    if (!bay.getVersionSucceeds)
        return Refuse(EmulatedErrorInvalidFunction);
    GetVersionInParams version = {};
    version.bVersion = 1;
    version.bRevision = 1;
    version.bIDEDeviceMap = EmulatedDriveMap(bay);
    version.fCapabilities = 0x00000005;   // CAP_ATA_ID_CMD | CAP_SMART_CMD
    return Deliver(reinterpret_cast<const uint8_t *>(&version), DriveMapReplyLength, output);
}

constexpr uint8_t IdentifyCommand = 0xEC;
constexpr uint8_t SmartCommand = 0xB0;
constexpr uint8_t SmartCylinderLow = 0x4F;
constexpr uint8_t SmartCylinderHigh = 0xC2;
constexpr uint8_t ThresholdCylinderLow = 0xF4;
constexpr uint8_t ThresholdCylinderHigh = 0x2C;
constexpr uint8_t ReadDataFeature = 0xD0;
constexpr uint8_t ReturnStatusFeature = 0xDA;

struct SmartFeatureRule {
    uint8_t feature;
    uint32_t ioctl;
    uint32_t replyLength;
    bool EmulatedDrive::*succeeds;   // nullptr: RETURN STATUS, which has its own keyword
};

const SmartFeatureRule SmartFeatureRules[] = {
    {ReadDataFeature, SmartRcvDriveDataIoctl, SmartDataReplyLength, &EmulatedDrive::readDataSucceeds},
    {0xD2, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::autosaveSucceeds},
    {0xD4, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::executeSucceeds},
    {0xD8, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::enableSucceeds},
    {0xD9, SmartSendDriveCommandIoctl, SmartCommandReplyLength, &EmulatedDrive::disableSucceeds},
    {ReturnStatusFeature, SmartSendDriveCommandIoctl, SmartStatusReplyLength, nullptr},
};

const SmartFeatureRule IdentifyRule = {0x00, SmartRcvDriveDataIoctl, SmartDataReplyLength,
                                       &EmulatedDrive::identifySucceeds};

// The rule for the ATA command in packet, or nullptr when a drive would abort it.
const SmartFeatureRule *FindRequestRule(const SendCmdInParams &packet)
{
    if (packet.irDriveRegs.bCommandReg == IdentifyCommand)
        return &IdentifyRule;
    if (packet.irDriveRegs.bCommandReg != SmartCommand)
        return nullptr;
    // Without the signature in the cylinder registers a drive aborts every SMART command.
    if (packet.irDriveRegs.bCylLowReg != SmartCylinderLow || packet.irDriveRegs.bCylHighReg != SmartCylinderHigh)
        return nullptr;
    for (const SmartFeatureRule &rule : SmartFeatureRules) {
        if (rule.feature == packet.irDriveRegs.bFeaturesReg)
            return &rule;
    }
    return nullptr;
}

EmulatedReply AnswerSmartRequest(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl,
                                 const uint8_t *input, uint32_t inputLength, uint8_t *output,
                                 uint32_t outputLength)
{
    if (!input || inputLength != SmartPacketLength)
        return Refuse(EmulatedErrorInvalidParameter);
    SendCmdInParams packet = {};
    memcpy(&packet, input, SmartPacketLength);

    // The SMARTVSD driver tells drives apart by the packet; a physical drive is its handle.
    uint8_t number = device.kind == EmulatedDeviceKind::SmartDriver ? packet.bDriveNumber : device.drive;
    if (number >= EmulatedDriveCount || !bay.drives[number].defined)
        return Refuse(EmulatedErrorDeviceNotExist);
    const EmulatedDrive &drive = bay.drives[number];
    // An NVMe drive speaks no ATA: every SMART request is declined.
    if (drive.bus == EmulatedBus::Nvme)
        return Refuse(EmulatedErrorInvalidFunction);

    const SmartFeatureRule *rule = FindRequestRule(packet);
    if (!rule)
        return Refuse(EmulatedErrorIoDevice);
    if (rule->ioctl != ioctl)
        return Refuse(EmulatedErrorInvalidParameter);
    if (!output || outputLength < rule->replyLength)
        return Refuse(EmulatedErrorInsufficientBuffer);
    bool succeeds = rule->succeeds ? drive.*rule->succeeds : drive.status != EmulatedStatus::Fail;
    if (!succeeds)
        return Refuse(EmulatedErrorIoDevice);

    uint8_t reply[SmartDataReplyLength] = {};
    SendCmdOutParams header = {};
    header.cBufferSize = rule->replyLength - SmartReplyHeaderLength;
    memcpy(reply, &header, SmartReplyHeaderLength);
    uint8_t *buffer = reply + SmartReplyHeaderLength;
    if (rule == &IdentifyRule) {
        uint8_t sector[SmartSectorLength];
        BuildIdentifySector(drive, sector);
        memcpy(buffer, sector, sizeof sector);
    } else if (rule->feature == ReadDataFeature) {
        uint8_t sector[SmartSectorLength];
        BuildSmartDataSector(drive, sector);
        memcpy(buffer, sector, sizeof sector);
    } else if (rule->feature == ReturnStatusFeature) {
        // The drive hands back its registers as sent, with the verdict in the cylinder pair.
        IdeRegisters registers = packet.irDriveRegs;
        bool exceeded = drive.status == EmulatedStatus::Exceeded;
        registers.bCylLowReg = exceeded ? ThresholdCylinderLow : SmartCylinderLow;
        registers.bCylHighReg = exceeded ? ThresholdCylinderHigh : SmartCylinderHigh;
        memcpy(buffer, &registers, sizeof registers);
    }
    return Deliver(reply, rule->replyLength, output);
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

void AppendOutcome(char *line, size_t size, bool ok)
{
    AppendTextSized(line, size, ok ? " -> ok" : " -> FAIL");
}

}  // namespace

void SetDefaultDrive(EmulatedDrive &drive, int n)
{
    drive = EmulatedDrive{};
    drive.defined = true;
    FormatInto(drive.model, "HOLMVARD EMU DISK %d", n);
    FormatInto(drive.serial, "EMU000%d", n);
    CopyText(drive.firmware, "1.0");
    drive.config = DefaultConfig;
    drive.cylinders = DefaultCylinders;
    drive.heads = DefaultHeads;
    drive.sectorsPerTrack = DefaultSectorsPerTrack;
    drive.lbaSectors = DefaultLbaSectors;
    drive.media = EmulatedMedia::Fixed;
    drive.openSucceeds = true;
    drive.identifySucceeds = true;
    drive.enableSucceeds = true;
    drive.disableSucceeds = true;
    drive.autosaveSucceeds = true;
    drive.executeSucceeds = true;
    drive.readDataSucceeds = true;
    drive.status = EmulatedStatus::Ok;
    drive.offlineStatus = DefaultOfflineStatus;
    drive.offlineCapability = DefaultOfflineCapability;
    drive.offlineSeconds = DefaultOfflineSeconds;
    drive.healthSucceeds = true;
}

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
    bay = EmulatedBay{};
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

uint8_t EmulatedDriveMap(const EmulatedBay &bay)
{
    if (bay.driveMapGiven)
        return bay.driveMap;
    uint8_t map = 0;
    for (int n = 0; n < EmulatedDriveCount; ++n) {
        if (bay.drives[n].defined)
            map = static_cast<uint8_t>(map | (1u << n));
    }
    return map;
}

void BuildIdentifySector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength])
{
    if (drive.hasRawSector)
        memcpy(sector, drive.rawSector, sizeof sector);
    else {
        memset(sector, 0, sizeof sector);
        BuildIdentityFields(drive, sector);
    }
    for (size_t word = 0; word < IdentifyWordCount; ++word) {
        if (drive.identifyWordSet[word])
            PutWord(sector, word, drive.identifyWords[word]);
    }
    // A raw sector is served exactly as given; a built one carries a valid integrity word.
    if (!drive.hasRawSector && !drive.identifyWordSet[IntegrityWord]) {
        sector[2 * IntegrityWord] = IntegritySignature;
        sector[2 * IntegrityWord + 1] = ZeroSumByte(sector, 2 * IntegrityWord + 1);
    }
}

void BuildSmartDataSector(const EmulatedDrive &drive, uint8_t (&sector)[SmartSectorLength])
{
    memset(sector, 0, sizeof sector);
    PutWord(sector, 0, 0x0010);   // data structure revision
    sector[OfflineStatusOffset] = drive.offlineStatus;
    sector[OfflineSecondsOffset] = static_cast<uint8_t>(drive.offlineSeconds & 0xFF);
    sector[OfflineSecondsOffset + 1] = static_cast<uint8_t>(drive.offlineSeconds >> 8);
    sector[OfflineCapabilityOffset] = drive.offlineCapability;
    sector[SmartCapabilityOffset] = 0x03;   // saves data on power-saving and supports autosave
    sector[ErrorLoggingOffset] = 0x01;
    for (size_t offset = 0; offset < SmartSectorLength; ++offset) {
        if (drive.dataByteSet[offset])
            sector[offset] = drive.dataBytes[offset];
    }
    if (!drive.dataByteSet[DataChecksumOffset])
        sector[DataChecksumOffset] = ZeroSumByte(sector, DataChecksumOffset);
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
    size_t length = BoundedLength(name, PrefixLength + 2);
    if (length == sizeof SmartDriverName - 1 && NamesEqual(name, SmartDriverName, length)) {
        if (!bay.smartvsdPresent) {
            result.error = EmulatedErrorFileNotFound;
            return result;
        }
        result.ok = true;
        result.device.kind = EmulatedDeviceKind::SmartDriver;
        return result;
    }
    // Only one digit follows the prefix: PhysicalDrive4 and PhysicalDrive10 do not exist here.
    bool physical = length == PrefixLength + 1 && NamesEqual(name, PhysicalDrivePrefix, PrefixLength) &&
                    name[PrefixLength] >= '0' && name[PrefixLength] < '0' + EmulatedDriveCount;
    if (!physical || !bay.drives[name[PrefixLength] - '0'].defined) {
        result.error = EmulatedErrorFileNotFound;
        return result;
    }
    const EmulatedDrive &drive = bay.drives[name[PrefixLength] - '0'];
    // Opening with no access only queries the device, which works even where a full open is refused.
    if (access != 0 && !drive.openSucceeds) {
        result.error = EmulatedErrorAccessDenied;
        return result;
    }
    result.ok = true;
    result.device.kind = EmulatedDeviceKind::PhysicalDrive;
    result.device.drive = static_cast<uint8_t>(name[PrefixLength] - '0');
    return result;
}

EmulatedReply AnswerDeviceControl(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl,
                                  const uint8_t *input, uint32_t inputLength, uint8_t *output,
                                  uint32_t outputLength)
{
    if (device.kind == EmulatedDeviceKind::PhysicalDrive) {
        // The description may have dropped the drive since the handle was opened.
        if (device.drive >= EmulatedDriveCount || !bay.drives[device.drive].defined)
            return Refuse(EmulatedErrorDeviceNotExist);
        if (!AccessAllows(device.access, ioctl))
            return Refuse(EmulatedErrorAccessDenied);
    }
    // Only a drive given a bus answers the storage queries.
    bool storage = device.kind == EmulatedDeviceKind::PhysicalDrive && bay.drives[device.drive].bus != EmulatedBus::None;
    switch (ioctl) {
    case DiskGetDriveGeometryIoctl:
        if (device.kind != EmulatedDeviceKind::PhysicalDrive)
            return Refuse(EmulatedErrorInvalidFunction);
        return AnswerGeometry(bay.drives[device.drive], output, outputLength);
    case StorageQueryPropertyIoctl:
        if (!storage)
            return Refuse(EmulatedErrorInvalidFunction);
        return AnswerStorageQuery(bay.drives[device.drive], input, inputLength, output, outputLength);
    case DiskGetDriveGeometryExIoctl:
        if (!storage)
            return Refuse(EmulatedErrorInvalidFunction);
        return AnswerGeometryEx(bay.drives[device.drive], output, outputLength);
    case StoragePredictFailureIoctl:
        if (!storage)
            return Refuse(EmulatedErrorInvalidFunction);
        return AnswerPredictFailure(bay.drives[device.drive], output, outputLength);
    case SmartGetVersionIoctl:
        return AnswerGetVersion(bay, output, outputLength);
    case SmartSendDriveCommandIoctl:
    case SmartRcvDriveDataIoctl:
        return AnswerSmartRequest(bay, device, ioctl, input, inputLength, output, outputLength);
    }
    return Refuse(EmulatedErrorInvalidFunction);
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
    else {
        static const char Digits[] = "0123456789ABCDEF";
        uint32_t shown = inputLength > LoggedInputLimit ? LoggedInputLimit : inputLength;
        for (uint32_t i = 0; i < shown; ++i) {
            hex[2 * i] = Digits[input[i] >> 4];
            hex[2 * i + 1] = Digits[input[i] & 0x0F];
        }
        hex[2 * shown] = '\0';
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
