#include "e2e/request_log.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace e2e {

namespace {

std::vector<uint8_t> ParseHex(const std::string &hex)
{
    std::vector<uint8_t> bytes;
    if (hex == "-")
        return bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

// Lines look like: OPEN <name> access=<hex> share=<hex> disposition=<n> -> H<k>|FAIL
//                  IOCTL H<k> <ioctl hex> <input hex or -> out=<n> -> ok|FAIL
//                  CLOSE H<k> -> ok|FAIL
Request ParseLine(const std::string &line)
{
    Request request;
    std::istringstream in(line);
    in >> request.verb;
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    std::string result = words.empty() ? "" : words.back();
    if (request.verb == "OPEN" && words.size() >= 6) {
        request.device = words[0];
        request.access = static_cast<uint32_t>(strtoul(words[1].substr(7).c_str(), nullptr, 16));
        request.ok = result != "FAIL";
        if (request.ok)
            request.handle = result;
    } else if (request.verb == "IOCTL" && words.size() >= 6) {
        request.handle = words[0];
        request.ioctl = static_cast<uint32_t>(strtoul(words[1].c_str(), nullptr, 16));
        request.packet = ParseHex(words[2]);
        request.ok = result == "ok";
    } else if (request.verb == "CLOSE" && words.size() >= 3) {
        request.handle = words[0];
        request.ok = result == "ok";
    } else {
        request.ok = result == "ok";
    }
    return request;
}

}  // namespace

std::vector<Request> ParseRequests(const std::vector<std::string> &lines)
{
    std::vector<Request> requests;
    for (const std::string &line : lines)
        requests.push_back(ParseLine(line));
    return requests;
}

std::vector<Request> Filter(const std::vector<Request> &requests, const char *verb)
{
    std::vector<Request> matching;
    for (const Request &r : requests) {
        if (r.verb == verb)
            matching.push_back(r);
    }
    return matching;
}

bool AllOpenHandlesClosed(const std::vector<Request> &requests)
{
    std::set<std::string> open;
    for (const Request &r : requests) {
        if (r.verb == "OPEN" && r.ok)
            open.insert(r.handle);
        else if (r.verb == "CLOSE" && r.ok)
            open.erase(r.handle);
    }
    return open.empty();
}

}  // namespace e2e
