#include "state/metrics_text.h"

#include <iterator>

#include "base/bounded_text.h"
#include "state/drive_temperature_text.h"

int64_t LastSMARTCheckTime;
int64_t LastFreeSpaceCheckTime;

namespace {

struct MetricsWriter {
    char *text;
    size_t size;
    size_t length;
    bool whole;
};

HOLMVARD_PRINTF(2, 3) void Append(MetricsWriter &out, const char *format, ...)
{
    if (!out.whole)
        return;
    va_list arguments;
    va_start(arguments, format);
    bool fits = FormatIntoSizedV(out.text + out.length, out.size - out.length, format, arguments);
    va_end(arguments);
    out.length += strlen(out.text + out.length);
    out.whole = fits;
}

// The length of the well-formed UTF-8 sequence at text; 0 when none starts there.
size_t WellFormedUtf8Length(const unsigned char *text)
{
    unsigned char first = text[0];
    size_t length = first >= 0xC2 && first <= 0xDF   ? 2
                    : first >= 0xE0 && first <= 0xEF ? 3
                    : first >= 0xF0 && first <= 0xF4 ? 4
                                                     : 0;
    // The second byte's range rules out overlong forms, surrogates and code
    // points past U+10FFFF; a NUL ends the text inside the sequence.
    unsigned char low = first == 0xE0 ? 0xA0 : first == 0xF0 ? 0x90 : 0x80;
    unsigned char high = first == 0xED ? 0x9F : first == 0xF4 ? 0x8F : 0xBF;
    for (size_t i = 1; i < length; i++) {
        if (text[i] < (i == 1 ? low : 0x80) || text[i] > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

// A label value in quotes. Backslash, quote and line feed are escaped as the
// format asks. The format is UTF-8: while the process's texts are UTF-8 their
// characters pass as they are; other control bytes and bytes past ASCII, which
// an odd drive may report or a single-byte code page holds, become '?'.
void AppendLabel(MetricsWriter &out, const char *name, const char *value, bool first = false)
{
    Append(out, "%s%s=\"", first ? "" : ",", name);
    bool utf8 = CurrentTextEncoding() == TextEncoding::Utf8;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(value); *c; c++) {
        size_t sequence = utf8 && *c >= 0x80 ? WellFormedUtf8Length(c) : 0;
        if (sequence > 0) {
            Append(out, "%.*s", static_cast<int>(sequence), reinterpret_cast<const char *>(c));
            c += sequence - 1;
        } else if (*c == '\\')
            Append(out, "\\\\");
        else if (*c == '"')
            Append(out, "\\\"");
        else if (*c == '\n')
            Append(out, "\\n");
        else if (*c < 0x20 || *c >= 0x7F)
            Append(out, "?");
        else
            Append(out, "%c", *c);
    }
    Append(out, "\"");
}

void AppendFamily(MetricsWriter &out, const char *name, const char *help)
{
    Append(out, "# HELP %s %s\n# TYPE %s gauge\n", name, help, name);
}

// A caution count's series also names its item.
void AppendDriveLabels(MetricsWriter &out, const char *name, int index, const DriveRecord &drive,
                       const char *item = nullptr)
{
    char number[8];
    FormatInto(number, "%d", index);
    Append(out, "%s{", name);
    AppendLabel(out, "drive", number, true);
    AppendLabel(out, "serial", drive.Serial);
    if (item)
        AppendLabel(out, "item", item);
    Append(out, "}");
}

// The volume's labels; left open when more follow.
void AppendVolumeLabels(MetricsWriter &out, const char *name, const VolumeRecord &volume, bool close = true)
{
    // "C:" of "C:\".
    char letter[3] = {volume.RootPath[0], volume.RootPath[1], '\0'};
    Append(out, "%s{", name);
    AppendLabel(out, "volume", letter, true);
    // Not "serial": on a drive's metrics that names the drive.
    AppendLabel(out, "volume_serial", volume.VolumeSerialText);
    if (close)
        Append(out, "}");
}

struct DriveGauge {
    const char *name;
    const char *help;
    uint64_t (*value)(const DriveRecord &drive);
    // Whether the drive has a sample; nullptr: every drive has one.
    bool (*sampled)(const DriveRecord &drive) = nullptr;
};

bool TemperatureRead(const DriveRecord &drive)
{
    return drive.Temperature != NoTemperature;
}

const DriveGauge DriveGauges[] = {
    {"holmvard_drive_monitored", "1 while the drive's SMART status is checked.",
     [](const DriveRecord &d) -> uint64_t {
         return !d.Missing && d.SMARTSupported && d.SMARTEnabled && d.Access != DriveAccess::NotReadable;
     }},
    {"holmvard_drive_present", "1 while the drive is found; 0 once it is unplugged or stopped answering.",
     [](const DriveRecord &d) -> uint64_t { return !d.Missing; }},
    {"holmvard_drive_smart_error", "1 while a SMART error the drive reported is not acknowledged.",
     [](const DriveRecord &d) -> uint64_t { return d.SMARTError != 0; }},
    // Apart from the real one, so that a test of the alert path pages nobody.
    {"holmvard_drive_smart_error_simulated", "1 while a simulated SMART error of the drive is not acknowledged.",
     [](const DriveRecord &d) -> uint64_t { return d.SimulateError != 0; }},
    {"holmvard_drive_smart_caution", "1 while a SMART caution of the drive is not acknowledged.",
     [](const DriveRecord &d) -> uint64_t { return d.SMARTCaution != 0; }},
    {"holmvard_drive_size_bytes", "The drive's size: its LBA sectors of 512 bytes.",
     [](const DriveRecord &d) -> uint64_t { return d.LbaSectors * 512; }},
    {"holmvard_drive_temperature_celsius", "The drive's temperature at the last check that read one.",
     [](const DriveRecord &d) -> uint64_t { return d.Temperature; }, TemperatureRead},
    {"holmvard_drive_temperature_limit_celsius", "The temperature at or above which the drive raises its alert.",
     [](const DriveRecord &d) -> uint64_t { return TemperatureLimitOf(d); },
     [](const DriveRecord &d) { return TemperatureRead(d) && TemperatureLimitOf(d) != 0; }},
    {"holmvard_drive_temperature_alert", "1 while a drive temperature alert of the drive is not acknowledged.",
     [](const DriveRecord &d) -> uint64_t { return d.TemperatureAlert != 0; }},
};

struct VolumeGauge {
    const char *name;
    const char *help;
    uint64_t (*value)(const VolumeRecord &volume);
    bool percent;   // a whole percentage, written as a ratio
};

const VolumeGauge VolumeGauges[] = {
    {"holmvard_volume_free_bytes", "Free bytes on the volume at the last free-space check.",
     [](const VolumeRecord &v) -> uint64_t { return v.FreeBytes; }, false},
    {"holmvard_volume_size_bytes", "The volume's size in bytes.",
     [](const VolumeRecord &v) -> uint64_t { return v.TotalBytes; }, false},
    {"holmvard_volume_free_space_minimum_ratio", "The least free space, as a share of the size, before an alert.",
     [](const VolumeRecord &v) -> uint64_t { return v.FreeSpaceMin; }, true},
    {"holmvard_volume_monitored", "1 while the volume's free space is checked.",
     [](const VolumeRecord &v) -> uint64_t { return !v.Missing && v.SpaceCheckEnabled; }, false},
    {"holmvard_volume_present", "1 while the volume is found; 0 once it is gone.",
     [](const VolumeRecord &v) -> uint64_t { return !v.Missing; }, false},
    {"holmvard_volume_free_space_error", "1 while a free-space error of the volume is not acknowledged.",
     [](const VolumeRecord &v) -> uint64_t { return v.FreeSpaceError != 0; }, false},
};

void AppendDrives(MetricsWriter &out, const MetricsInputs &inputs)
{
    AppendFamily(out, "holmvard_drive_info", "The drives HOLMVARD watches, named by their labels; always 1.");
    for (int i = 0; i < inputs.driveCount; i++) {
        const DriveRecord &drive = inputs.drives[i];
        char number[8];
        FormatInto(number, "%d", i);
        Append(out, "holmvard_drive_info{");
        AppendLabel(out, "drive", number, true);
        AppendLabel(out, "model", drive.Model);
        AppendLabel(out, "serial", drive.Serial);
        AppendLabel(out, "firmware", drive.FirmwareRev);
        AppendLabel(out, "bus", drive.Bus);
        Append(out, "} 1\n");
    }
    for (const DriveGauge &gauge : DriveGauges) {
        AppendFamily(out, gauge.name, gauge.help);
        for (int i = 0; i < inputs.driveCount; i++) {
            if (gauge.sampled && !gauge.sampled(inputs.drives[i]))
                continue;
            AppendDriveLabels(out, gauge.name, i, inputs.drives[i]);
            Append(out, " %llu\n", static_cast<unsigned long long>(gauge.value(inputs.drives[i])));
        }
    }
}

// In CautionItem order.
const char *const CautionItemNames[] = {
    "reallocated_sectors",  "reported_uncorrectable",  "reallocation_events", "pending_sectors",
    "offline_uncorrectable", "attributes_at_threshold", "media_errors",        "worn_out",
};
static_assert(std::size(CautionItemNames) == CautionItemCount, "every caution item needs its metric name");

// The counts themselves, not only the sticky flag: an acknowledgement on the
// machine clears the flag, while a fleet still sees the count go on rising.
// A drive whose counts were not read in this run has no samples.
void AppendCautionCounts(MetricsWriter &out, const MetricsInputs &inputs)
{
    const char name[] = "holmvard_drive_caution_count";
    AppendFamily(out, name, "The counts a SMART caution watches, as last read; held while a caution stands.");
    for (int i = 0; i < inputs.driveCount; i++) {
        const DriveRecord &drive = inputs.drives[i];
        if (!drive.CautionSeenRead)
            continue;
        for (int item = 0; item < CautionItemCount; item++) {
            AppendDriveLabels(out, name, i, drive, CautionItemNames[item]);
            Append(out, " %lu\n", static_cast<unsigned long>(drive.CautionSeen.value[item]));
        }
    }
}

void AppendVolumes(MetricsWriter &out, const MetricsInputs &inputs)
{
    AppendFamily(out, "holmvard_volume_info", "The volumes HOLMVARD watches, with their whole labels; always 1.");
    for (int i = 0; i < inputs.volumeCount; i++) {
        AppendVolumeLabels(out, "holmvard_volume_info", inputs.volumes[i], false);
        AppendLabel(out, "label", inputs.volumes[i].FullVolumeName);
        Append(out, "} 1\n");
    }
    for (const VolumeGauge &gauge : VolumeGauges) {
        AppendFamily(out, gauge.name, gauge.help);
        for (int i = 0; i < inputs.volumeCount; i++) {
            AppendVolumeLabels(out, gauge.name, inputs.volumes[i]);
            uint64_t value = gauge.value(inputs.volumes[i]);
            if (gauge.percent)
                Append(out, " %llu.%02llu\n", static_cast<unsigned long long>(value / 100),
                       static_cast<unsigned long long>(value % 100));
            else
                Append(out, " %llu\n", static_cast<unsigned long long>(value));
        }
    }
}

void AppendCheckTime(MetricsWriter &out, const char *check, int64_t seconds)
{
    // A check that has not run yet has no sample rather than a time of 1970.
    if (seconds > 0)
        Append(out, "holmvard_last_check_timestamp_seconds{check=\"%s\"} %lld\n", check,
               static_cast<long long>(seconds));
}

}  // namespace

bool FormatMetrics(const MetricsInputs &inputs, char *text, size_t size, size_t &length)
{
    MetricsWriter out = {text, size, 0, size > 0};
    if (size > 0)
        text[0] = '\0';
    AppendDrives(out, inputs);
    AppendCautionCounts(out, inputs);
    AppendVolumes(out, inputs);
    AppendFamily(out, "holmvard_outbox_messages", "Alert e-mails kept in the outbox until the server takes them.");
    Append(out, "holmvard_outbox_messages %lu\n", static_cast<unsigned long>(inputs.outboxMessages));
    AppendFamily(out, "holmvard_last_check_timestamp_seconds", "When each check last ran, in seconds since 1970.");
    AppendCheckTime(out, "smart", inputs.smartCheckTime);
    AppendCheckTime(out, "free_space", inputs.freeSpaceCheckTime);
    AppendFamily(out, "holmvard_check_interval_seconds", "How often each check runs, as its polling period.");
    Append(out, "holmvard_check_interval_seconds{check=\"smart\"} %lu\n",
           static_cast<unsigned long>(inputs.smartIntervalSeconds));
    Append(out, "holmvard_check_interval_seconds{check=\"free_space\"} %lu\n",
           static_cast<unsigned long>(inputs.freeSpaceIntervalSeconds));
    length = out.length;
    return out.whole;
}
