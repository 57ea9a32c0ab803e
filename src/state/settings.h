// The program-wide settings, the polling-period table and the registry layout.
// Portable: the registry calls live in settings_store.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int SettingsTextSize = 256;
constexpr int RegistryPathSize = 256;

#define SETTINGS_ROOT "Software\\Tessmere\\HOLMVARD"
constexpr char SettingsRoot[] = SETTINGS_ROOT;
constexpr char DrivesKeyPrefix[] = SETTINGS_ROOT "\\Drives\\";
constexpr char VolumesKeyPrefix[] = SETTINGS_ROOT "\\Volumes\\";
constexpr char GlobalKeyPath[] = SETTINGS_ROOT "\\Global";
constexpr char SettingsKeyClass[] = "HOLMVARD";

// Placeholder e-mail settings of a new installation, in the reserved example domain.
constexpr char DefaultEmailFrom[] = "holmvard@example.com";
constexpr char DefaultEmailTo[] = "administrator@example.com";
constexpr char DefaultEmailServer[] = "mail.example.com";
constexpr char ErrorLogFileName[] = "ErrorLog.txt";

struct GlobalSettingsRecord {
    uint32_t SMARTPollingPeriod;
    uint32_t FreeSpacePollingPeriod;
    int32_t EmailSMARTErrors;
    int32_t EmailFreeSpaceErrors;
    char EmailFrom[SettingsTextSize];
    char EmailTo[SettingsTextSize];
    char EmailServer[SettingsTextSize];
    char ErrorLogFilePath[SettingsTextSize];
    // Where the state is written as Prometheus metrics; empty: not at all.
    // Read when present, never created.
    char MetricsFile[SettingsTextSize];
};

extern GlobalSettingsRecord GlobalSettings;

struct PollingPeriod {
    char Label[20];
    uint32_t Milliseconds;
};

constexpr int PollingPeriodCount = 8;
constexpr uint32_t DefaultPollingIndex = 4;
extern const PollingPeriod PollingPeriods[PollingPeriodCount];

// A stored index outside the table is never used to index it.
uint32_t ValidPollingIndex(uint32_t index);

// Key paths in a zero-filled 256-byte buffer; false when the name was cut.
bool BuildDriveKeyPath(const char *model, const char *serial, char (&path)[RegistryPathSize]);
bool BuildVolumeKeyPath(const char *volumeSerialText, char (&path)[RegistryPathSize]);

// The error log beside the program: the folder of modulePath followed by
// ErrorLog.txt. False when the path does not fit.
bool BuildDefaultErrorLogPath(const char *modulePath, char (&path)[SettingsTextSize]);

// What a value read back from the registry means for a setting. A 4-byte
// setting takes the first size bytes, zero-padded; false when the value is
// wider than the setting, which then stays as it was.
bool InterpretFourBytes(const uint8_t *data, uint32_t size, uint8_t (&value)[4]);

// A text setting of fieldSize bytes takes at most fieldSize - 1 bytes of the
// size bytes read, cut between characters, always terminated, the rest zero;
// false when the value is wider than the field.
bool InterpretText(const char *data, uint32_t size, char *field, uint32_t fieldSize);
