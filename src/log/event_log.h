// The error log's records in the Windows Event Log's Application log, under
// the source "HOLMVARD", for the engines that gather it from many machines.
#pragma once

#include "log/log_events.h"

// At start-up: names this program as the source's message file when the source
// is missing or names another file. A failure changes nothing else.
void RegisterLogEventSource();

// Reports the record as its event. A failure changes nothing else.
void ReportLogEvent(LogEvent event, const char *record);
