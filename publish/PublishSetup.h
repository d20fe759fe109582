#pragma once
// The publishing options every program takes, and the publisher they ask for:
//   --publish mqtt://[user[:password]@]host[:port]   (or mqtts://)
//   --site NAME     the topic level above the host (default: the host name)
//   --ca-file FILE  mqtts: the CA certificates to trust
// A user without a password in the address takes ZRQ6930_MQTT_PASSWORD, so
// the password need not stand on a command line others can list.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "publish/MqttPublisher.h"

namespace zr {

struct PublishRequest {
    bool asked = false;
    std::string address;
    std::string site;
    std::string caFile;
};

// Takes the options (and their values) out of `args`; false with why.
bool TakePublishOptions(std::vector<std::string>& args, PublishRequest& out, std::string& error);
// The usage lines of the options, for the programs' own usage texts.
const char* PublishUsage();

// A publisher started for `request`; nullptr (with why) when the address or
// names are wrong or this copy cannot publish. The broker need not be up.
// `notice` hears (on the publisher's thread) when the broker is reached or lost.
// What every program does with the publisher's notices: a line on stderr.
void PrintPublishNotice(const std::string& text);
// "Publishing: N messages sent, M dropped[; the broker: why]", the last word
// of a program that published.
std::string PublishTotalsText(const CMqttPublisher::Stats& stats);

std::unique_ptr<CMqttPublisher> StartPublisher(const PublishRequest& request, const std::string& program, std::string& error,
                                               std::function<void(const std::string&)> notice = {});

} // namespace zr
