#pragma once
// A simulated receiver on a pseudo-terminal: answers the protocol from the
// receiver's side, with reception values that move, and optional misbehaviour.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace zr::sim {

struct SimFaults {
    bool silent = false;          // never answers
    bool wrongModel = false;      // M0 carries another model code
    std::string rejectCode;       // answer this code with E1 ...
    std::string rejectReason = "00"; // ... and this two-character reason
    std::string busyCodes;        // codes answered with E1 reason 5, e.g. "F4F1"
    bool corruptChecksum = false; // every reply's checksum off by one
    int corruptPercent = 0;       // or this share of the replies
    bool noise = false;           // noise bytes (zeros included) between frames
    int splitBytes = 0;           // write replies in pieces of this many bytes
    int hangUpAfterRequests = -1; // hang up on receiving request N (1-based), unanswered
    int replyDelayMs = 0;         // answer late
    int silenceAtMs = -1;         // silent from this long after the start ...
    int silenceForMs = 0;         // ... for this long ...
    int silenceEveryMs = 0;       // ... and again this long after each start (0: once)
};

struct SimReceiverConfig {
    std::string band = "G1";
    int bank = 1;
    int channel = 3;
    int frequencyKhz = 606125;
    char state = '0';           // initial state character ('6', '7', '4', 'A' ...)
    int scanStopsIgnored = 0;   // C0/S0 acknowledged this many times without stopping
    int encryption = 0, code = 2, fbs = 1, eq = 2;
    int versions[3][4] = {{1, 2, 3, 45}, {2, 0, 1, 7}, {3, 1, 0, 120}};
    uint32_t id = 0x1234ABCD;
    uint32_t seed = 1;
    // Now and then an FBS filter is switched or moved and, every third time,
    // the ID changes, so the information windows show life; 0: never.
    int changeEveryMs = 4000;
    SimFaults faults;
    // Every byte the tool sends is appended to this file, as it came off the
    // wire; for tests that see the port from another process. Empty: none.
    std::string wireLogPath;
};

class CSimReceiver {
public:
    explicit CSimReceiver(SimReceiverConfig config);
    ~CSimReceiver();
    CSimReceiver(const CSimReceiver&) = delete;
    CSimReceiver& operator=(const CSimReceiver&) = delete;

    // Creates the pseudo-terminal and starts answering. false on failure.
    bool Start();
    void Stop();
    // Pulls the cable: closes the master side, the port sees a hang-up.
    void HangUp();
    const std::string& PortPath() const { return m_path; }

    // What the receiver saw, for tests and measurements.
    int RequestCount(const std::string& code) const;
    // Answers of this code written whole (not refused, not corrupted).
    int AnswerCount(const std::string& code) const;
    std::vector<std::string> RequestLog() const;
    std::vector<std::chrono::steady_clock::time_point> RequestTimes(const std::string& code) const;
    char State() const { return m_stateChar.load(); }
    void SetState(char s) { m_stateChar = s; }
    void SetFaults(const SimFaults& f);

private:
    void Run();
    void AppendToWireLog(const uint8_t* bytes, std::size_t count) const;
    void HandleRequest(const std::string& code, const std::string& payload);
    std::string Answer(const std::string& code, const std::string& payload);
    void WriteFrame(const std::string& codeAndPayload);
    void WriteRaw(const uint8_t* data, std::size_t len);
    int Level(int base);
    void CloseFds();

    SimReceiverConfig m_cfg;
    SimFaults m_faults;
    std::chrono::steady_clock::time_point m_born = std::chrono::steady_clock::now();
    bool InSilence(const SimFaults& f) const;
    std::mutex m_faultMutex;
    std::string m_path;
    int m_master = -1;
    int m_slaveKeep = -1;
    int m_stopFd = -1;
    std::thread m_thread;
    std::atomic<bool> m_hungUp{false};
    std::atomic<char> m_stateChar{'0'};
    int m_stopsIgnored = 0;
    int m_requests = 0;
    std::mt19937 m_rng;
    int m_rfA = 60, m_rfB = 55;
    // Scans started by the PC.
    int m_scanBank = 0, m_scanChannel = 0;
    int m_spStart = 0, m_spStop = 0, m_spStep = 25, m_spFreq = 0;
    int m_sweeps = 0;
    // FBS filters and ID as they stand (answering thread only).
    void ChangeNowAndThen();
    std::array<float, 7> m_filterHz{};
    std::array<int, 7> m_filterGain{};
    std::array<bool, 7> m_filterOn{};
    uint32_t m_id = 0;
    int m_changes = 0;
    std::chrono::steady_clock::time_point m_nextChange;

    mutable std::mutex m_statsMutex;
    std::map<std::string, int> m_counts;
    std::map<std::string, int> m_answered;
    std::vector<std::string> m_log;
    std::map<std::string, std::vector<std::chrono::steady_clock::time_point>> m_times;
};

// Parses a fault list such as "silent", "wrong-model", "reject=F0:3",
// "busy=F4", "corrupt", "noise", "split=3", "hangup=5", "state=7",
// "silence=AT:FOR[:EVERY]" (milliseconds after the start),
// "delay=50" (comma-separated). false on an unknown item.
bool ParseFaults(const std::string& text, SimReceiverConfig& cfg, std::string& error);

// A config with distinct bank and channel for simulated receiver i.
SimReceiverConfig DefaultConfig(int index);

} // namespace zr::sim
