// The message table that Event Viewer reads the events' texts from.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "log/log_events.h"

namespace {

TEST(EventMessages, EveryEventsIdShowsItsOneStringWhole)
{
    for (int event = static_cast<int>(LogEvent::SMARTError); event <= static_cast<int>(LogEvent::KeptMailSetAside);
         event++) {
        EventKind kind = EventKindOf(static_cast<LogEvent>(event));
        SCOPED_TRACE(kind.id);
        char string[] = "First line\r\nSecond line: 100%";
        char *strings[] = {string};
        char text[256] = "";
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, kind.id,
                                      0, text, sizeof text, reinterpret_cast<va_list *>(strings));
        ASSERT_GT(length, 0u) << GetLastError();
        EXPECT_EQ(std::string(text).find(string), 0u) << text;
    }
}

}  // namespace
