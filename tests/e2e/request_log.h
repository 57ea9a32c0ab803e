// Reading the emulator's request log back in end-to-end tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Request {
    std::string verb;       // OPEN, IOCTL, CLOSE, VERSION, ERROR
    std::string device;     // OPEN: the device name
    uint32_t access = 0;    // OPEN: the access mask
    std::string handle;     // OPEN: the handle given (empty on failure); IOCTL, CLOSE: the handle used
    uint32_t ioctl = 0;     // IOCTL: the control code
    std::vector<uint8_t> packet;  // IOCTL: the input bytes
    bool ok = false;        // the call's result

    int DriveNumber() const { return packet.size() > 12 ? packet[12] : -1; }
    int Feature() const { return packet.size() > 4 ? packet[4] : -1; }
    int Command() const { return packet.size() > 10 ? packet[10] : -1; }
};

std::vector<Request> ParseRequests(const std::vector<std::string> &lines);
std::vector<Request> Filter(const std::vector<Request> &requests, const char *verb);
// Every handle an OPEN gave out has a CLOSE.
bool AllOpenHandlesClosed(const std::vector<Request> &requests);

}  // namespace e2e
