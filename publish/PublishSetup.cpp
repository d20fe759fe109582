#include "publish/PublishSetup.h"

#include <cstdio>
#include <cstdlib>

namespace zr {

bool TakePublishOptions(std::vector<std::string>& args, PublishRequest& out, std::string& error)
{
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* value = a == "--publish" ? &out.address : a == "--site" ? &out.site : a == "--ca-file" ? &out.caFile : nullptr;
        if (!value) {
            rest.push_back(a);
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = a + " needs a value";
            return false;
        }
        *value = args[++i];
        out.asked = out.asked || a == "--publish";
    }
    if (!out.asked && (!out.site.empty() || !out.caFile.empty())) {
        error = "--site and --ca-file go with --publish";
        return false;
    }
    args = rest;
    return true;
}

const char* PublishUsage()
{
    return "  --publish mqtt://[user[:password]@]host[:port]  publish the receivers live to an MQTT broker (mqtts:// for TLS;\n"
           "                 a user without a password takes ZRQ6930_MQTT_PASSWORD)\n"
           "  --site NAME    the topic level above this PC's name (default: the host name)\n"
           "  --ca-file F    with mqtts://, the CA certificates to trust\n";
}

void PrintPublishNotice(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

std::string PublishTotalsText(const CMqttPublisher::Stats& stats)
{
    std::string text = "Publishing: " + std::to_string(stats.sent) + " messages sent, " + std::to_string(stats.dropped) + " dropped";
    return stats.lastError.empty() ? text : text + "; the broker: " + stats.lastError;
}

std::unique_ptr<CMqttPublisher> StartPublisher(const PublishRequest& request, const std::string& program, std::string& error,
                                               std::function<void(const std::string&)> notice)
{
    PublishOptions options;
    if (!ParseBrokerAddress(request.address, options.broker, error))
        return nullptr;
    if (!options.broker.user.empty() && options.broker.password.empty())
        if (const char* password = std::getenv("ZRQ6930_MQTT_PASSWORD"))
            options.broker.password = password;
    if (!request.caFile.empty() && !options.broker.tls) {
        error = "--ca-file is for mqtts:// addresses";
        return nullptr;
    }
    const std::string host = TopicHostName();
    const std::string site = request.site.empty() ? host : request.site;
    std::string why;
    if (!ValidTopicLevel(site, why)) {
        error = "the site name " + why;
        return nullptr;
    }
    options.caFile = request.caFile;
    options.topicBase = "zrq6930/" + site + "/" + host + "/";
    options.program = program;
    auto publisher = std::make_unique<CMqttPublisher>(std::move(options));
    publisher->SetNoticeHandler(std::move(notice));
    if (!publisher->Start(error))
        return nullptr;
    return publisher;
}

} // namespace zr
