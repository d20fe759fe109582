#pragma once
// Where live publishing goes: mqtt://[user[:password]@]host[:port] or mqtts://
// (TLS). The password is kept for the connection and never shown.
#include <string>

namespace zr {

struct BrokerAddress {
    bool tls = false;
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
};

// Parses a broker address; false with the reason in `error` (which never
// repeats the password). User and password may be %-encoded ("%40" for '@').
bool ParseBrokerAddress(const std::string& text, BrokerAddress& out, std::string& error);
// The address as shown to the user and in traces: the scheme, the user
// (not the password), the host and the port.
std::string BrokerAddressText(const BrokerAddress& address);

} // namespace zr
