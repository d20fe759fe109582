#pragma once
// Publishes the live feed to an MQTT broker from a thread of its own. The
// threads that poll the receivers only put into a bounded queue, so a broker
// that is down, slow or unreachable costs them nothing: what cannot go is
// dropped and counted, and the connection is tried again with back-off.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "publish/BrokerAddress.h"
#include "publish/LiveSink.h"
#include "publish/PublishQueue.h"

namespace zr {

struct MosquittoApi;

struct PublishOptions {
    BrokerAddress broker;
    std::string caFile;   // mqtts: the CA certificates; empty: the system's
    std::string topicBase; // "zrq6930/SITE/HOST/"
    std::string program;  // "zrq6930 record", "zrq6930-maintenance"
};

class CMqttPublisher : public ILiveSink {
public:
    struct Stats {
        bool connected = false;
        uint64_t sent = 0;
        uint64_t dropped = 0;
        std::string lastError; // why the broker is not reached, or ""
    };

    explicit CMqttPublisher(PublishOptions options);
    ~CMqttPublisher() override;

    // Starts the thread; false (with why) when this copy cannot publish at all.
    bool Start(std::string& error);
    // Says "offline" (retained), sends what waits for at most `flushMs`, then
    // disconnects: the broker's last will is for a PC that dies, not one that stops.
    void Stop(int flushMs = 1000);

    void PutState(const std::string& topic, std::string payload) override;
    void PutEvent(const std::string& topic, std::string payload) override;

    Stats GetStats() const;
    // Told on the publisher's thread when the broker is reached or lost.
    void SetNoticeHandler(std::function<void(const std::string&)> handler) { m_notice = std::move(handler); }

    const PublishOptions& Options() const { return m_options; }
    // The retained payloads of the "online" topic.
    std::string OnlinePayload() const;
    static std::string OfflinePayload();

private:
    void Run();
    void Wake();
    void Notice(const std::string& text);

    PublishOptions m_options;
    const MosquittoApi* m_api = nullptr; // loaded by Start
    std::function<void(const std::string&)> m_notice;
    mutable std::mutex m_mutex;
    CPublishQueue m_queue;
    Stats m_stats;
    int64_t m_startedMs = 0;
    std::atomic<bool> m_stop{false};
    int m_flushMs = 1000;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_woken{false};
    std::thread m_thread;
};

// This PC's name for topics: the host name, with what MQTT reserves in a
// topic level ('/', '+', '#') replaced.
std::string TopicHostName();
// A site or host name fit for one topic level; false (and why) when not.
bool ValidTopicLevel(const std::string& name, std::string& error);

} // namespace zr
