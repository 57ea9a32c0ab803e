// A one-connection SMTP server on a loopback address, port 25, for the tests:
// it answers as a server should, except at the one step it is told to fail.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace e2e {

struct Script {
    int failingStep;                 // 6 greeting ... 13 QUIT; 0 for none
    const char *reply;               // the failing reply; "close", "silent" or "flood" (no line end)
    uint32_t address = 0x7F000002;   // in host order
    bool clientClosed = false;
    std::string message = {};        // what came after DATA, without the final ".\r\n"
    bool split = false;              // the replies that do not fail come in two pieces
};

// The thread procedure of CreateThread, given a Script: waits up to 20 s for
// one client, serves it and returns.
DWORD WINAPI ServeOnce(void *script);

}  // namespace e2e
