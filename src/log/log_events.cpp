#include "log/log_events.h"

#include <cstring>

#include "base/bounded_text.h"

namespace {

struct EventRow {
    LogEvent event;
    EventKind kind;
};

// SMART errors 1000s, free space 2000s, the SMART caution 3000s, e-mail 4000s, temperature 5000s;
// raising an alert is an error or a warning, its acknowledgement information.
const EventRow EventTable[] = {
    {LogEvent::SMARTError, {EventType::Error, 1001}},
    {LogEvent::SMARTErrorAcknowledged, {EventType::Information, 1002}},
    {LogEvent::SimulatedSMARTError, {EventType::Warning, 1003}},
    {LogEvent::SimulatedSMARTErrorAcknowledged, {EventType::Information, 1004}},
    {LogEvent::FreeSpaceError, {EventType::Error, 2001}},
    {LogEvent::FreeSpaceErrorAcknowledged, {EventType::Information, 2002}},
    {LogEvent::SMARTCaution, {EventType::Warning, 3001}},
    {LogEvent::SMARTCautionAcknowledged, {EventType::Information, 3002}},
    {LogEvent::AlertMailFailed, {EventType::Warning, 4001}},
    {LogEvent::KeptMailDelivered, {EventType::Information, 4002}},
    {LogEvent::KeptMailSetAside, {EventType::Warning, 4003}},
    {LogEvent::DriveTemperature, {EventType::Warning, 5001}},
    {LogEvent::DriveTemperatureAcknowledged, {EventType::Information, 5002}},
};

}  // namespace

EventKind EventKindOf(LogEvent event)
{
    for (const EventRow &row : EventTable) {
        if (row.event == event)
            return row.kind;
    }
    return {EventType::Warning, 0};
}

bool FormatEventString(const char *record, char *text, size_t size)
{
    size_t length = strlen(record);
    while (length > 0 && (record[length - 1] == '\r' || record[length - 1] == '\n'))
        length--;
    if (size == 0)
        return false;
    size_t kept = length < size - 1 ? length : CharacterBoundary(record, size - 1);
    memcpy(text, record, kept);
    text[kept] = '\0';
    return kept == length;
}
