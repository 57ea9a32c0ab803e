#include "state/drive_temperature_text.h"

#include "base/bounded_text.h"

uint8_t TemperatureLimitOf(const DriveRecord &drive)
{
    if (drive.TemperatureLimit >= TemperatureNeverAlerted)
        return 0;
    if (drive.TemperatureLimit != 0)
        return static_cast<uint8_t>(drive.TemperatureLimit);
    if (drive.TemperatureWarning != NoTemperature)
        return drive.TemperatureWarning;
    return drive.SolidState ? SolidStateTemperatureLimit : DiskTemperatureLimit;
}

void FormatTemperatureLines(const DriveRecord &drive, char (&text)[TemperatureTextSize])
{
    FormatInto(text, "Temperature: %u C\r\nLimit: %u C\r\n", drive.Temperature, TemperatureLimitOf(drive));
}

void FormatTemperatureField(const DriveRecord &drive, char (&text)[TemperatureTextSize])
{
    FormatTemperatureLines(drive, text);
    char highest[48];
    FormatInto(highest, "Highest since raised: %u C", drive.TemperatureHighest);
    AppendText(text, highest);
}
