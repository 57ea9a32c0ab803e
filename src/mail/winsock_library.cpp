#include "mail/winsock_library.h"

#include "base/system_library.h"

WinsockFunctions Winsock;

namespace {

// In the order of WinsockFunctions.
const char *const WinsockNames[] = {"WSAStartup", "WSACleanup", "WSAGetLastError", "gethostname", "gethostbyname",
                                    "socket",     "closesocket", "ioctlsocket",   "connect",     "getsockopt",
                                    "setsockopt", "select",     "send",           "recv"};
static_assert(sizeof WinsockNames / sizeof WinsockNames[0] == FunctionCount<WinsockFunctions>());

INIT_ONCE WinsockLoaded = INIT_ONCE_STATIC_INIT;

}  // namespace

bool LoadWinsock()
{
    return LoadSystemFunctionsOnce(WinsockLoaded, "ws2_32.dll", WinsockNames, &Winsock,
                                   FunctionCount<WinsockFunctions>());
}
