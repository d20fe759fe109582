#pragma once
// Live publishing for the commands that poll (monitor, record): the options
// taken out of the command's arguments, the publisher and its feed, and what
// the user hears of it on stderr.
#include <memory>
#include <string>
#include <vector>

#include "publish/LiveFeed.h"
#include "publish/PublishSetup.h"

namespace zr::cli {

class CCliPublishing {
public:
    // Takes the publishing options out of `args`; false (after the command's
    // message) when they are wrong.
    bool TakeOptions(const char* command, std::vector<std::string>& args);
    // Starts publishing when asked; false (after the message) when it cannot.
    bool Start(const char* command);
    // The feed to tell, or nullptr when not publishing.
    CLiveFeed* Feed() const { return m_feed.get(); }
    // Sends what waits (briefly), says offline, and tells the count on stderr.
    void Finish();
    ~CCliPublishing() { Finish(); }

private:
    PublishRequest m_request;
    std::unique_ptr<CMqttPublisher> m_publisher;
    std::unique_ptr<CLiveFeed> m_feed;
};

} // namespace zr::cli
