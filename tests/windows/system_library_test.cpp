// System libraries loaded at their first use: a table is filled whole or not
// at all, and a failure is tried again at the next call.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/system_library.h"

namespace {

struct ProcessCalls {
    decltype(&::GetCurrentProcessId) GetCurrentProcessId;
    decltype(&::GetCurrentThreadId) GetCurrentThreadId;
};

TEST(SystemLibrary, FillsTheWholeTableOrClearsIt)
{
    const struct {
        const char *dll;
        const char *names[2];
        bool loaded;
    } cases[] = {
        {"kernel32.dll", {"GetCurrentProcessId", "GetCurrentThreadId"}, true},
        {"kernel32.dll", {"GetCurrentProcessId", "NoSuchFunctionAnywhere"}, false},
        {"no-such-library.dll", {"GetCurrentProcessId", "GetCurrentThreadId"}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.dll) + " " + c.names[1]);
        ProcessCalls calls = {&::GetCurrentProcessId, &::GetCurrentThreadId};
        EXPECT_EQ(LoadSystemFunctions(c.dll, c.names, &calls, FunctionCount<ProcessCalls>()), c.loaded);
        if (c.loaded) {
            ASSERT_NE(calls.GetCurrentProcessId, nullptr);
            EXPECT_EQ(calls.GetCurrentProcessId(), GetCurrentProcessId());
            EXPECT_EQ(calls.GetCurrentThreadId(), GetCurrentThreadId());
        } else {
            EXPECT_EQ(calls.GetCurrentProcessId, nullptr);
            EXPECT_EQ(calls.GetCurrentThreadId, nullptr);
        }
    }
}

TEST(SystemLibrary, OnceKeepsASuccessAndTriesAFailureAgain)
{
    const char *const names[] = {"GetCurrentProcessId", "GetCurrentThreadId"};
    INIT_ONCE missing = INIT_ONCE_STATIC_INIT;
    ProcessCalls calls = {};
    for (int i = 0; i < 2; i++)
        EXPECT_FALSE(LoadSystemFunctionsOnce(missing, "no-such-library.dll", names, &calls,
                                             FunctionCount<ProcessCalls>()));
    // The same record, tried again, loads once the library is one there is.
    EXPECT_TRUE(LoadSystemFunctionsOnce(missing, "kernel32.dll", names, &calls, FunctionCount<ProcessCalls>()));
    ASSERT_NE(calls.GetCurrentProcessId, nullptr);
    EXPECT_EQ(calls.GetCurrentProcessId(), GetCurrentProcessId());
    // Loaded, it answers at once whatever it is asked next.
    EXPECT_TRUE(LoadSystemFunctionsOnce(missing, "no-such-library.dll", names, &calls,
                                        FunctionCount<ProcessCalls>()));
    EXPECT_EQ(calls.GetCurrentProcessId(), GetCurrentProcessId());
}

}  // namespace
