// Live publishing under load, on this machine: 10 publishing PCs (processes'
// worth of publishers, each a connection of its own) of 16 receivers each,
// every receiver recording at 10 records a second, into one mosquitto; one
// subscriber reading everything, as the page does. Reported: messages lost
// between publisher and subscriber, latency from the moment the feed put a
// row to its arrival (median, p99), and the CPU of broker and publishers.
// Baseline in the same run: the least work of the same job, plain libmosquitto
// clients publishing rows of the same size at the same rate, nothing else.
//   mqtt_load [SECONDS]
#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchTable.h"
#include "publish/LiveFeed.h"
#include "publish/MqttPublisher.h"

extern char** environ;

namespace {

using namespace zr;
constexpr int kPcs = 10;
constexpr int kReceivers = 16;
constexpr int kPeriodMs = 100;

int64_t MonoNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t); // one clock for every process of the machine
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double CpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < text.size()) {
        const auto end = text.find(' ', at);
        fields.push_back(text.substr(at, end - at));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return fields.size() > 12 ? (std::stod(fields[11]) + std::stod(fields[12])) / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0;
}

double OwnCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int FreePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

// Stamps each row with the moment the feed put it.
struct StampingSink : ILiveSink {
    CMqttPublisher& publisher;
    std::atomic<uint64_t>& rows;
    StampingSink(CMqttPublisher& p, std::atomic<uint64_t>& r) : publisher(p), rows(r) {}
    void PutState(const std::string& topic, std::string payload) override
    {
        if (!payload.empty() && payload.back() == '}' && payload.find("\"record\"") != std::string::npos) {
            payload.pop_back();
            payload += ", \"sent_ns\": " + std::to_string(MonoNs()) + "}";
            ++rows;
        }
        publisher.PutState(topic, std::move(payload));
    }
    void PutEvent(const std::string& topic, std::string payload) override { publisher.PutEvent(topic, std::move(payload)); }
};

struct PhaseResult {
    uint64_t produced = 0, sent = 0, dropped = 0;
    double cpu = 0;
};

// The tool's own path: feeds, publishers, their threads.
PhaseResult RunTool(int port, const std::string& base, double seconds)
{
    std::atomic<uint64_t> rows{0};
    std::vector<std::unique_ptr<CMqttPublisher>> publishers;
    std::vector<std::unique_ptr<StampingSink>> sinks;
    std::vector<std::unique_ptr<CLiveFeed>> feeds;
    for (int pc = 0; pc < kPcs; ++pc) {
        PublishOptions o;
        o.broker.host = "127.0.0.1";
        o.broker.port = port;
        o.topicBase = "zrq6930/" + base + "/pc" + std::to_string(pc) + "/";
        o.program = "mqtt_load";
        publishers.push_back(std::make_unique<CMqttPublisher>(o));
        std::string error;
        publishers.back()->Start(error);
        sinks.push_back(std::make_unique<StampingSink>(*publishers.back(), rows));
        feeds.push_back(std::make_unique<CLiveFeed>(*sinks.back()));
        std::vector<int> all;
        for (int n = 0; n < kReceivers; ++n)
            all.push_back(n);
        feeds.back()->RecordingStarted(all);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // connected
    const double cpu0 = OwnCpuSeconds();
    std::mt19937 rng(7);
    StateRecord row{};
    const char text[] = "3136061250212";
    std::memcpy(row.data() + 2, text, 13);
    int64_t fileTime = 134000000000000000LL;
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    while (std::chrono::steady_clock::now() - start < std::chrono::duration<double>(seconds)) {
        for (int pc = 0; pc < kPcs; ++pc)
            for (int n = 0; n < kReceivers; ++n) {
                DataRow r{};
                r[7] = static_cast<uint8_t>(40 + rng() % 40);
                r[6] = static_cast<uint8_t>(40 + rng() % 40);
                feeds[static_cast<std::size_t>(pc)]->Row(n, "/dev/ttyUSB" + std::to_string(n), row);
                feeds[static_cast<std::size_t>(pc)]->Record(n, fileTime, r);
            }
        fileTime += kPeriodMs * 10000;
        next += std::chrono::milliseconds(kPeriodMs);
        std::this_thread::sleep_until(next);
    }
    PhaseResult result;
    for (auto& p : publishers)
        p->Stop(2000);
    result.cpu = OwnCpuSeconds() - cpu0;
    for (auto& p : publishers) {
        const auto s = p->GetStats();
        result.sent += s.sent;
        result.dropped += s.dropped;
    }
    result.produced = rows;
    feeds.clear();
    return result;
}

// The least work: ten plain clients, rows of the same size, the same rate.
PhaseResult RunPlain(int port, const std::string& base, double seconds)
{
    mosquitto_lib_init();
    std::vector<mosquitto*> clients;
    for (int pc = 0; pc < kPcs; ++pc) {
        mosquitto* m = mosquitto_new(nullptr, true, nullptr);
        mosquitto_connect(m, "127.0.0.1", port, 30);
        clients.push_back(m);
    }
    const std::string filler(330, 'x'); // the size of a recording row
    const double cpu0 = OwnCpuSeconds();
    PhaseResult result;
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    while (std::chrono::steady_clock::now() - start < std::chrono::duration<double>(seconds)) {
        for (int pc = 0; pc < kPcs; ++pc)
            for (int n = 0; n < kReceivers; ++n) {
                const std::string topic = "zrq6930/" + base + "/pc" + std::to_string(pc) + "/rx/" + std::to_string(n + 1);
                const std::string payload = "{\"f\": \"" + filler + "\", \"record\": 1, \"sent_ns\": " + std::to_string(MonoNs()) + "}";
                if (mosquitto_publish(clients[static_cast<std::size_t>(pc)], nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 0, true) == 0)
                    ++result.sent;
                ++result.produced;
            }
        next += std::chrono::milliseconds(kPeriodMs);
        while (std::chrono::steady_clock::now() < next)
            for (mosquitto* m : clients)
                mosquitto_loop(m, 1, 1);
    }
    for (mosquitto* m : clients) {
        mosquitto_loop(m, 10, 1);
        mosquitto_disconnect(m);
        mosquitto_destroy(m);
    }
    result.cpu = OwnCpuSeconds() - cpu0;
    return result;
}

struct Subscriber {
    std::mutex mutex;
    std::string prefix;
    uint64_t received = 0;
    std::vector<double> latenciesMs;
};

void OnMessage(mosquitto*, void* obj, const mosquitto_message* msg)
{
    const int64_t now = MonoNs();
    auto* s = static_cast<Subscriber*>(obj);
    std::lock_guard<std::mutex> lock(s->mutex);
    if (std::strncmp(msg->topic, s->prefix.c_str(), s->prefix.size()) != 0 || std::strstr(msg->topic, "/online"))
        return;
    ++s->received;
    const std::string payload(static_cast<const char*>(msg->payload), static_cast<std::size_t>(msg->payloadlen));
    const auto at = payload.find("\"sent_ns\": ");
    if (at != std::string::npos)
        s->latenciesMs.push_back(static_cast<double>(now - std::stoll(payload.substr(at + 11))) / 1e6);
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20;
    const bool child = argc > 3;
    if (child) { // mqtt_load SECONDS PORT tool|plain BASE: one phase's publishers, as a process of their own
        const int port = std::atoi(argv[2]);
        const PhaseResult r = std::string(argv[3]) == "tool" ? RunTool(port, argv[4], seconds) : RunPlain(port, argv[4], seconds);
        std::printf("%llu %llu %llu %.3f\n", static_cast<unsigned long long>(r.produced), static_cast<unsigned long long>(r.sent),
                    static_cast<unsigned long long>(r.dropped), r.cpu);
        return 0;
    }
    const int port = FreePort();
    const std::string portText = std::to_string(port);
    pid_t broker = -1;
    const char* brokerArgs[] = {"mosquitto", "-p", portText.c_str(), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const char* brokerPath = access("/usr/sbin/mosquitto", X_OK) == 0 ? "/usr/sbin/mosquitto" : "mosquitto"; // Debian's, off a user's PATH
    if (posix_spawnp(&broker, brokerPath, &quiet, nullptr, const_cast<char**>(brokerArgs), environ) != 0) {
        std::fprintf(stderr, "mqtt_load: cannot start mosquitto\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    mosquitto_lib_init();
    Subscriber sub;
    mosquitto* m = mosquitto_new(nullptr, true, &sub);
    mosquitto_message_callback_set(m, OnMessage);
    if (mosquitto_connect(m, "127.0.0.1", port, 30) != 0) {
        std::fprintf(stderr, "mqtt_load: cannot reach the broker\n");
        kill(broker, SIGTERM);
        return 1;
    }
    mosquitto_subscribe(m, nullptr, "zrq6930/#", 0);
    mosquitto_loop_start(m);

    struct Row {
        std::string kind;
        PhaseResult pub;
        double brokerCpu = 0, median = 0, p99 = 0;
        uint64_t received = 0;
    };
    std::vector<Row> rows;
    for (const char* kind : {"plain", "tool"}) {
        const std::string base = std::string("load-") + kind;
        {
            std::lock_guard<std::mutex> lock(sub.mutex);
            sub.prefix = "zrq6930/" + base + "/";
            sub.received = 0;
            sub.latenciesMs.clear();
        }
        const double broker0 = CpuSeconds(broker);
        const std::string command = std::string(argv[0]) + " " + std::to_string(seconds) + " " + portText + " " + kind + " " + base;
        FILE* out = popen(command.c_str(), "r");
        unsigned long long produced = 0, sent = 0, dropped = 0;
        double cpu = 0;
        if (!out || std::fscanf(out, "%llu %llu %llu %lf", &produced, &sent, &dropped, &cpu) != 4) {
            std::fprintf(stderr, "mqtt_load: the %s publishers failed\n", kind);
            return 1;
        }
        pclose(out);
        std::this_thread::sleep_for(std::chrono::milliseconds(1000)); // the last messages arrive
        Row r;
        r.kind = kind;
        r.pub = {produced, sent, dropped, cpu};
        r.brokerCpu = CpuSeconds(broker) - broker0;
        std::lock_guard<std::mutex> lock(sub.mutex);
        r.received = sub.received;
        r.median = Percentile(sub.latenciesMs, 0.5);
        r.p99 = Percentile(sub.latenciesMs, 0.99);
        rows.push_back(r);
        std::printf("%-5s: %llu rows put, %llu messages published, %llu dropped, %llu received, %lld lost; latency median %.2f ms, p99 %.2f ms; "
                    "publisher CPU %.1f %% of a core, broker %.1f %%\n",
                    kind, produced, sent, dropped, static_cast<unsigned long long>(r.received), static_cast<long long>(sent) - static_cast<long long>(r.received),
                    r.median, r.p99, 100 * cpu / seconds, 100 * r.brokerCpu / seconds);
    }
    mosquitto_disconnect(m);
    mosquitto_loop_stop(m, true);
    mosquitto_destroy(m);
    kill(broker, SIGTERM);
    waitpid(broker, nullptr, 0);

    const Row& plain = rows[0];
    const Row& tool = rows[1];
    const double perSecond = static_cast<double>(tool.pub.sent) / seconds;
    using zr::bench::TableRow;
    TableRow("MQTT load 10x16 rx at 10/s: messages lost", static_cast<double>(tool.pub.sent - std::min(tool.pub.sent, tool.received)), "msgs",
             "plain clients", static_cast<double>(plain.pub.sent - std::min(plain.pub.sent, plain.received)), "0");
    TableRow("MQTT load: latency median", tool.median, "ms", "plain clients", plain.median, "-");
    TableRow("MQTT load: latency p99", tool.p99, "ms", "plain clients", plain.p99, "-");
    TableRow("MQTT load: publisher CPU", 100 * tool.pub.cpu / seconds, "% core", "plain clients", 100 * plain.pub.cpu / seconds, "-");
    TableRow("MQTT load: broker CPU", 100 * tool.brokerCpu / seconds, "% core", "plain clients", 100 * plain.brokerCpu / seconds, "-");
    std::printf("(%.0f messages a second through the broker from the tool's publishers)\n", perSecond);
    return 0;
}
