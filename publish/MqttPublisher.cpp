#include "publish/MqttPublisher.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/JsonText.h"
#include "publish/LiveFeed.h"
#include "publish/MosquittoApi.h"

#ifdef ZR_HAVE_MOSQUITTO
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#elif !defined(_WIN32)
#include <unistd.h>
#endif

namespace zr {

namespace {

int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

std::string TopicHostName()
{
    std::string name;
#ifdef _WIN32
    if (const char* n = std::getenv("COMPUTERNAME"))
        name = n;
#else
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) == 0)
        name = buf;
#endif
    if (name.empty())
        name = "unknown";
    for (char& c : name)
        if (c == '/' || c == '+' || c == '#')
            c = '_';
    return name;
}

bool ValidTopicLevel(const std::string& name, std::string& error)
{
    if (name.empty()) {
        error = "is empty";
        return false;
    }
    if (name.find_first_of("/+#") != std::string::npos) {
        error = "holds '/', '+' or '#', which MQTT keeps for topics";
        return false;
    }
    if (name.size() > 200) {
        error = "is longer than 200 characters";
        return false;
    }
    return true;
}

CMqttPublisher::CMqttPublisher(PublishOptions options) : m_options(std::move(options)) {}

CMqttPublisher::~CMqttPublisher()
{
    Stop(0);
}

std::string CMqttPublisher::OnlinePayload() const
{
    return "{\"online\": true, \"program\": " + JsonString(m_options.program) + ", \"since_ms\": " + std::to_string(m_startedMs) + "}";
}

std::string CMqttPublisher::OfflinePayload()
{
    return "{\"online\": false}";
}

void CMqttPublisher::PutState(const std::string& topic, std::string payload)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.PutState(m_options.topicBase + topic, std::move(payload), SteadyMs());
    }
    Wake();
}

void CMqttPublisher::PutEvent(const std::string& topic, std::string payload)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.PutEvent(m_options.topicBase + topic, std::move(payload));
    }
    Wake();
}

CMqttPublisher::Stats CMqttPublisher::GetStats() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Stats s = m_stats;
    s.dropped = m_queue.Dropped();
    return s;
}

void CMqttPublisher::Notice(const std::string& text)
{
    if (m_notice)
        m_notice(text);
}

#ifndef ZR_HAVE_MOSQUITTO

bool CMqttPublisher::Start(std::string& error)
{
    error = "this copy was built without MQTT publishing (libmosquitto)";
    return false;
}

void CMqttPublisher::Stop(int) {}
void CMqttPublisher::Wake() {}
void CMqttPublisher::Run() {}

#else

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int64_t kFirstRetryMs = 500;
constexpr int64_t kLongestRetryMs = 10000;
constexpr std::size_t kBatch = 64;

struct Connection {
    bool connected = false;
    bool lost = false;
    int refusedCode = 0;
};

void OnConnect(mosquitto*, void* obj, int rc)
{
    auto* c = static_cast<Connection*>(obj);
    c->connected = rc == 0;
    c->lost = rc != 0;
    c->refusedCode = rc;
}

void OnDisconnect(mosquitto*, void* obj, int)
{
    auto* c = static_cast<Connection*>(obj);
    c->connected = false;
    c->lost = true;
}

std::string ErrorText(const MosquittoApi& api, int rc)
{
    return rc == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : std::string(api.mosquitto_strerror(rc));
}

} // namespace

bool CMqttPublisher::Start(std::string& error)
{
    if (m_thread.joinable())
        return true;
    m_api = LoadMosquitto(error);
    if (!m_api)
        return false;
    if (!m_options.caFile.empty() && ::access(m_options.caFile.c_str(), R_OK) != 0) {
        error = "cannot read the CA file " + m_options.caFile;
        return false;
    }
    if (::pipe(m_wake) != 0) {
        error = "cannot make a wake-up pipe";
        return false;
    }
    for (int fd : m_wake) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    m_startedMs = WallClockMs();
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CMqttPublisher::Stop(int flushMs)
{
    if (!m_thread.joinable())
        return;
    m_flushMs = flushMs;
    m_stop = true;
    Wake();
    m_thread.join();
    for (int& fd : m_wake) {
        ::close(fd);
        fd = -1;
    }
}

void CMqttPublisher::Wake()
{
    if (m_wake[1] >= 0 && !m_woken.exchange(true)) {
        const char b = 1;
        [[maybe_unused]] const auto n = ::write(m_wake[1], &b, 1);
    }
}

void CMqttPublisher::Run()
{
    const MosquittoApi& api = *m_api;
    Connection conn;
    const std::string clientId = "zrq6930-" + m_options.topicBase.substr(0, 40) + "-" + std::to_string(::getpid());
    mosquitto* mosq = api.mosquitto_new(clientId.c_str(), true, &conn);
    if (!mosq) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stats.lastError = "cannot make an MQTT client";
        return;
    }
    api.mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    api.mosquitto_connect_callback_set(mosq, OnConnect);
    api.mosquitto_disconnect_callback_set(mosq, OnDisconnect);
    const BrokerAddress& broker = m_options.broker;
    if (!broker.user.empty())
        api.mosquitto_username_pw_set(mosq, broker.user.c_str(), broker.password.empty() ? nullptr : broker.password.c_str());
    const std::string onlineTopic = m_options.topicBase + "online";
    const std::string offline = OfflinePayload();
    api.mosquitto_will_set(mosq, onlineTopic.c_str(), static_cast<int>(offline.size()), offline.data(), 1, true);
    if (broker.tls)
        api.mosquitto_tls_set(mosq, m_options.caFile.empty() ? nullptr : m_options.caFile.c_str(), m_options.caFile.empty() ? "/etc/ssl/certs" : nullptr,
                          nullptr, nullptr, nullptr);
    const std::string online = OnlinePayload();
    const std::string where = BrokerAddressText(broker);

    bool everConnected = false, wasConnected = false, started = false, toldDown = false;
    int64_t retryMs = kFirstRetryMs, nextAttempt = 0, stopBy = 0;
    uint64_t droppedAtLoss = 0;
    auto lose = [&](const std::string& why) {
        conn.connected = false;
        conn.lost = false;
        const int64_t now = SteadyMs();
        nextAttempt = now + retryMs;
        retryMs = std::min(retryMs * 2, kLongestRetryMs);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stats.lastError = why;
        if (wasConnected) {
            m_queue.SetConnected(false);
            m_stats.connected = false;
            droppedAtLoss = m_queue.Dropped();
        }
        return wasConnected;
    };
    for (;;) {
        const int64_t now = SteadyMs();
        if (m_stop && stopBy == 0) {
            stopBy = now + m_flushMs;
            if (conn.connected)
                api.mosquitto_publish(mosq, nullptr, onlineTopic.c_str(), static_cast<int>(offline.size()), offline.data(), 1, true);
        }
        if (m_stop) {
            bool empty = true;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                empty = m_queue.Empty();
            }
            if (!conn.connected || now >= stopBy || (empty && !api.mosquitto_want_write(mosq)))
                break;
        }
        // Connect, or connect again after the back-off.
        if (api.mosquitto_socket(mosq) < 0 && !m_stop && now >= nextAttempt) {
            const int rc = started ? api.mosquitto_reconnect_async(mosq) : api.mosquitto_connect_async(mosq, broker.host.c_str(), broker.port, kKeepAliveSeconds);
            started = true;
            if (rc != MOSQ_ERR_SUCCESS) {
                const std::string why = ErrorText(api, rc);
                lose(why);
                if (!toldDown) {
                    Notice("Publishing: cannot reach " + where + " (" + why + "); trying again");
                    toldDown = true;
                }
            }
        }
        const int sock = api.mosquitto_socket(mosq);
        // Hand over what is due, as long as the socket takes it: a slow
        // broker leaves it in the queue (where it is bounded), not in memory.
        if (conn.connected && sock >= 0) {
            while (!api.mosquitto_want_write(mosq)) {
                std::vector<OutMessage> batch;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    batch = m_queue.TakeDue(SteadyMs(), kBatch);
                }
                if (batch.empty())
                    break;
                uint64_t sent = 0, failed = 0;
                for (const OutMessage& m : batch) {
                    const int rc = api.mosquitto_publish(mosq, nullptr, m.topic.c_str(), static_cast<int>(m.payload.size()), m.payload.data(), 0, m.retain);
                    (rc == MOSQ_ERR_SUCCESS ? sent : failed)++;
                }
                std::lock_guard<std::mutex> lock(m_mutex);
                m_stats.sent += sent;
                m_queue.CountDropped(failed);
            }
        }
        int64_t wait = 1000;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const int64_t due = m_queue.NextDueInMs(SteadyMs());
            if (due >= 0)
                wait = std::min(wait, std::max<int64_t>(due, 1));
        }
        if (sock < 0 && !m_stop)
            wait = std::min(wait, std::max<int64_t>(nextAttempt - SteadyMs(), 1));
        if (m_stop)
            wait = std::min<int64_t>(wait, 20);
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {sock, static_cast<short>(POLLIN | (api.mosquitto_want_write(mosq) ? POLLOUT : 0)), 0}};
        ::poll(fds, sock >= 0 ? 2 : 1, static_cast<int>(wait));
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
            m_woken = false;
        }
        if (sock >= 0) {
            int rc = MOSQ_ERR_SUCCESS;
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
                rc = api.mosquitto_loop_read(mosq, 1);
            if (rc == MOSQ_ERR_SUCCESS && (fds[1].revents & POLLOUT))
                rc = api.mosquitto_loop_write(mosq, 1);
            if (rc == MOSQ_ERR_SUCCESS)
                rc = api.mosquitto_loop_misc(mosq);
            if (rc != MOSQ_ERR_SUCCESS || conn.lost) {
                const std::string why = conn.refusedCode ? api.mosquitto_connack_string(conn.refusedCode) : ErrorText(api, rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc);
                conn.refusedCode = 0;
                if (api.mosquitto_socket(mosq) >= 0)
                    api.mosquitto_disconnect(mosq);
                if (lose(why))
                    Notice("Publishing: lost " + where + " (" + why + "); trying again");
                else if (!toldDown)
                    Notice("Publishing: cannot reach " + where + " (" + why + "); trying again");
                toldDown = true;
                wasConnected = false;
                continue;
            }
        }
        if (conn.connected && !wasConnected) {
            // Reached: say this PC is here before anything else, then every
            // state again (a broker that restarted kept nothing).
            wasConnected = true;
            toldDown = false;
            retryMs = kFirstRetryMs;
            api.mosquitto_publish(mosq, nullptr, onlineTopic.c_str(), static_cast<int>(online.size()), online.data(), 1, true);
            uint64_t dropped = 0;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_queue.SetConnected(true);
                m_stats.connected = true;
                m_stats.lastError.clear();
                dropped = m_queue.Dropped();
            }
            if (!everConnected)
                Notice("Publishing to " + where + " under " + m_options.topicBase);
            else
                Notice("Publishing: " + where + " reached again; " + std::to_string(dropped - droppedAtLoss) + " messages dropped while away, " +
                       std::to_string(dropped) + " in all");
            everConnected = true;
        }
    }
    if (api.mosquitto_socket(mosq) >= 0) {
        api.mosquitto_disconnect(mosq);
        api.mosquitto_loop_write(mosq, 1);
    }
    api.mosquitto_destroy(mosq);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stats.connected = false;
}

#endif

} // namespace zr
