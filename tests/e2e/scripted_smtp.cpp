#include <winsock2.h>

#include "e2e/scripted_smtp.h"

#include <cstring>
#include <string>

namespace e2e {

namespace {

void SendLine(SOCKET client, const char *text)
{
    send(client, text, static_cast<int>(strlen(text)), 0);
}

// Answers the step as scripted; false once the script has failed it.
bool Answer(SOCKET client, Script &script, int step, const char *normal)
{
    if (step != script.failingStep) {
        if (script.split) {
            std::string head(normal, 3);
            SendLine(client, head.c_str());
            Sleep(200);
            normal += 3;
        }
        SendLine(client, normal);
        return true;
    }
    if (strcmp(script.reply, "close") == 0) {
        closesocket(client);
        return false;
    }
    if (strcmp(script.reply, "flood") == 0) {
        std::string flood(20000, 'x');
        send(client, flood.data(), static_cast<int>(flood.size()), 0);
    } else if (strcmp(script.reply, "silent") != 0) {
        SendLine(client, script.reply);
    }
    // The client must give up and close its end.
    char rest[512];
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(client, &readable);
    timeval limit = {60, 0};
    while (select(0, &readable, nullptr, nullptr, &limit) > 0 && recv(client, rest, sizeof rest, 0) > 0) {
    }
    script.clientClosed = true;
    closesocket(client);
    return false;
}

}  // namespace

DWORD WINAPI ServeOnce(void *parameter)
{
    auto *script = static_cast<Script *>(parameter);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&reuse), sizeof reuse);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(25);
    address.sin_addr.s_addr = htonl(script->address);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(listener, 1) != 0) {
        closesocket(listener);
        return 1;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval limit = {20, 0};
    SOCKET client = select(0, &readable, nullptr, nullptr, &limit) > 0 ? accept(listener, nullptr, nullptr)
                                                                        : INVALID_SOCKET;
    closesocket(listener);
    if (client == INVALID_SOCKET)
        return 1;
    if (!Answer(client, *script, 6, "220 fake ready\r\n"))
        return 0;
    std::string pending;
    bool inData = false;
    char piece[4096];
    for (;;) {
        int count = recv(client, piece, sizeof piece, 0);
        if (count <= 0)
            break;
        pending.append(piece, static_cast<size_t>(count));
        for (;;) {
            if (inData) {
                size_t end = pending.find("\r\n.\r\n");
                if (end == std::string::npos)
                    break;
                script->message = pending.substr(0, end + 2);
                pending.erase(0, end + 5);
                inData = false;
                if (!Answer(client, *script, 12, "250 queued\r\n"))
                    return 0;
                continue;
            }
            size_t end = pending.find("\r\n");
            if (end == std::string::npos)
                break;
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 2);
            const struct {
                const char *verb;
                int step;
                const char *normal;
            } commands[] = {{"HELO ", 7, "250 hello\r\n"}, {"MAIL FROM:", 8, "250 ok\r\n"},
                            {"RCPT TO:", 9, "250 ok\r\n"}, {"DATA", 10, "354 go ahead\r\n"},
                            {"QUIT", 13, "221 bye\r\n"}};
            for (const auto &c : commands) {
                if (line.rfind(c.verb, 0) != 0)
                    continue;
                if (!Answer(client, *script, c.step, c.normal))
                    return 0;
                inData = c.step == 10;
            }
        }
    }
    closesocket(client);
    return 0;
}

}  // namespace e2e
