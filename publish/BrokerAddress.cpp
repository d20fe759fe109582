#include "publish/BrokerAddress.h"

#include <cctype>
#include <cstdlib>

namespace zr {

namespace {

constexpr int kMqttPort = 1883;
constexpr int kMqttsPort = 8883;

bool PercentDecode(const std::string& in, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out.push_back(in[i]);
            continue;
        }
        if (i + 2 >= in.size() || !std::isxdigit(static_cast<unsigned char>(in[i + 1])) || !std::isxdigit(static_cast<unsigned char>(in[i + 2])))
            return false;
        out.push_back(static_cast<char>(std::strtol(in.substr(i + 1, 2).c_str(), nullptr, 16)));
        i += 2;
    }
    return true;
}

} // namespace

bool ParseBrokerAddress(const std::string& text, BrokerAddress& out, std::string& error)
{
    BrokerAddress a;
    std::string rest;
    if (text.rfind("mqtt://", 0) == 0) {
        rest = text.substr(7);
    } else if (text.rfind("mqtts://", 0) == 0) {
        a.tls = true;
        rest = text.substr(8);
    } else {
        error = "the broker address starts with mqtt:// or mqtts://";
        return false;
    }
    if (const auto slash = rest.find('/'); slash != std::string::npos) {
        if (slash + 1 != rest.size()) {
            error = "the broker address has no path (topics are chosen by --site)";
            return false;
        }
        rest.pop_back();
    }
    // The last '@' ends the user part: a password may hold '@' unencoded.
    if (const auto at = rest.rfind('@'); at != std::string::npos) {
        const std::string userInfo = rest.substr(0, at);
        rest = rest.substr(at + 1);
        const auto colon = userInfo.find(':');
        if (!PercentDecode(userInfo.substr(0, colon), a.user) ||
            (colon != std::string::npos && !PercentDecode(userInfo.substr(colon + 1), a.password))) {
            error = "the broker address has a bad %-escape in its user or password";
            return false;
        }
        if (a.user.empty()) {
            error = "the broker address names a password but no user";
            return false;
        }
    }
    std::string portText;
    if (!rest.empty() && rest[0] == '[') { // [IPv6]:port
        const auto close = rest.find(']');
        if (close == std::string::npos) {
            error = "the broker address has an unclosed [";
            return false;
        }
        a.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') {
                error = "the broker address has text after its host";
                return false;
            }
            portText = after.substr(1);
        }
    } else {
        const auto colon = rest.find(':');
        a.host = rest.substr(0, colon);
        if (colon != std::string::npos)
            portText = rest.substr(colon + 1);
    }
    if (a.host.empty()) {
        error = "the broker address has no host";
        return false;
    }
    a.port = a.tls ? kMqttsPort : kMqttPort;
    if (!portText.empty() || (rest.find(':') != std::string::npos && rest[0] != '[')) {
        char* end = nullptr;
        const long port = std::strtol(portText.c_str(), &end, 10);
        if (portText.empty() || *end != 0 || port < 1 || port > 65535) {
            error = "the broker's port is a number from 1 to 65535";
            return false;
        }
        a.port = static_cast<int>(port);
    }
    out = a;
    return true;
}

std::string BrokerAddressText(const BrokerAddress& address)
{
    std::string text = address.tls ? "mqtts://" : "mqtt://";
    if (!address.user.empty())
        text += address.user + "@";
    text += address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host;
    return text + ":" + std::to_string(address.port);
}

} // namespace zr
