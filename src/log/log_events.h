// What each error-log record is in the Windows Event Log: its type and its
// fixed id, which subscriptions and alert rules match. Portable: the reporting
// itself is event_log.cpp's.
#pragma once

#include <cstddef>
#include <cstdint>

// One per kind of record the program appends to its error log.
enum class LogEvent {
    SMARTError,
    SMARTErrorAcknowledged,
    SimulatedSMARTError,
    SimulatedSMARTErrorAcknowledged,
    FreeSpaceError,
    FreeSpaceErrorAcknowledged,
    SMARTCaution,
    SMARTCautionAcknowledged,
    AlertMailFailed,       // an alert e-mail that will not be sent: dropped, or never kept
    KeptMailDelivered,
    KeptMailSetAside,      // a kept file taken out of the queue: unreadable, or delivered and not removable
    DriveTemperature,
    DriveTemperatureAcknowledged,
};

// EVENTLOG_ERROR_TYPE, EVENTLOG_WARNING_TYPE, EVENTLOG_INFORMATION_TYPE.
enum class EventType : uint16_t { Error = 1, Warning = 2, Information = 4 };

struct EventKind {
    EventType type;
    uint32_t id;   // also the id of its "%1" text in the message table
};

EventKind EventKindOf(LogEvent event);

// The event's one string: the record's lines without the empty line, or any
// line end, that closes it. False when it was cut to fit.
bool FormatEventString(const char *record, char *text, size_t size);
