#include "sim/SimReceiver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include "link/Frame.h"
#include "link/ReplyFields.h"

namespace zr::sim {

namespace {

void MakeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
}

// The FBS filters a receiver reports: centre frequency in Hz and gain in 0.1 dB.
constexpr float kFilterHz[7] = {125.0f, 250.0f, 500.0f, 1250.0f, 2500.0f, 5000.0f, 10000.0f};
constexpr int kFilterGain[7] = {-30, -60, 0, -120, -15, -90, -45};

} // namespace

CSimReceiver::CSimReceiver(SimReceiverConfig config) : m_cfg(std::move(config)), m_faults(m_cfg.faults), m_rng(m_cfg.seed), m_id(m_cfg.id)
{
    for (std::size_t n = 0; n < 7; ++n) {
        m_filterHz[n] = kFilterHz[n];
        m_filterGain[n] = kFilterGain[n];
        m_filterOn[n] = n % 2 == 0; // filters 1, 3, 5, 7 on
    }
    m_nextChange = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_cfg.changeEveryMs);
    m_stateChar = m_cfg.state;
}

CSimReceiver::~CSimReceiver()
{
    Stop();
}

bool CSimReceiver::Start()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        CloseFds();
        return false;
    }
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        CloseFds();
        return false;
    }
    m_path = name;
    // Keep one slave descriptor of our own: the master then never sees a
    // hang-up when the tool closes its port, only when we pull the cable.
    m_slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveKeep < 0) {
        CloseFds();
        return false;
    }
    MakeRaw(m_slaveKeep);
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread(&CSimReceiver::Run, this);
    return true;
}

void CSimReceiver::Stop()
{
    if (m_stopFd >= 0) {
        uint64_t one = 1;
        (void)!::write(m_stopFd, &one, sizeof one);
    }
    if (m_thread.joinable())
        m_thread.join();
    CloseFds();
}

void CSimReceiver::CloseFds()
{
    for (int* fd : {&m_master, &m_slaveKeep, &m_stopFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void CSimReceiver::HangUp()
{
    m_hungUp = true;
    if (m_stopFd >= 0) {
        uint64_t one = 1;
        (void)!::write(m_stopFd, &one, sizeof one);
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    CloseFds();
}

void CSimReceiver::SetFaults(const SimFaults& f)
{
    std::lock_guard lock(m_faultMutex);
    m_faults = f;
}

void CSimReceiver::Run()
{
    pthread_setname_np(pthread_self(), "zr-sim"); // measurements tell simulator from tool
    CFrameAssembler assembler;
    uint8_t buf[512];
    for (;;) {
        pollfd fds[2] = {{m_stopFd, POLLIN, 0}, {m_master, POLLIN, 0}};
        int n = ::poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[0].revents & POLLIN))
            return;
        if (fds[1].revents & POLLIN) {
            ssize_t r = ::read(m_master, buf, sizeof buf);
            if (r <= 0)
                return;
            AppendToWireLog(buf, static_cast<std::size_t>(r));
            for (ssize_t i = 0; i < r; ++i) {
                if (!assembler.Feed(buf[i]))
                    continue;
                const FrameHeader h = assembler.Validate();
                const uint8_t* b = assembler.Buffer();
                const int count = assembler.Count();
                unsigned sum = 0;
                for (int j = 0; j <= count; ++j)
                    sum += b[j];
                if ((sum & 0xFF) != 0xFB || count < 2)
                    continue; // a corrupted request is ignored
                const int kind = h.kind;
                if (kind >= kE1 || count != 2 + GetCodeInfo(kind).requestPayload)
                    continue;
                HandleRequest(std::string(reinterpret_cast<const char*>(b), 2), std::string(reinterpret_cast<const char*>(b + 2), static_cast<std::size_t>(count - 2)));
                if (m_hungUp) {
                    // The cable is out: the tool's port sees a hang-up.
                    ::close(m_master);
                    ::close(m_slaveKeep);
                    m_master = m_slaveKeep = -1;
                    return;
                }
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            return;
        }
    }
}

void CSimReceiver::AppendToWireLog(const uint8_t* bytes, std::size_t count) const
{
    if (m_cfg.wireLogPath.empty())
        return;
    if (std::FILE* f = std::fopen(m_cfg.wireLogPath.c_str(), "ab")) {
        std::fwrite(bytes, 1, count, f);
        std::fclose(f);
    }
}

void CSimReceiver::HandleRequest(const std::string& code, const std::string& payload)
{
    SimFaults f;
    {
        std::lock_guard lock(m_faultMutex);
        f = m_faults;
    }
    {
        std::lock_guard lock(m_statsMutex);
        m_counts[code]++;
        m_log.push_back(code + payload);
        m_times[code].push_back(std::chrono::steady_clock::now());
    }
    ++m_requests;
    if (f.hangUpAfterRequests > 0 && m_requests >= f.hangUpAfterRequests) {
        m_hungUp = true; // Run closes the descriptors: the cable is out
        return;
    }
    if (f.silent || InSilence(f))
        return;
    if (f.replyDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(f.replyDelayMs));
    if (f.noise) {
        uint8_t junk[6] = {0x00, 0x41, 0x03, static_cast<uint8_t>(m_rng() & 0xFD), 0x00, 0xFF};
        WriteRaw(junk, sizeof junk);
    }
    if (!f.rejectCode.empty() && code == f.rejectCode) {
        WriteFrame("E1" + code + f.rejectReason);
        return;
    }
    for (std::size_t i = 0; i + 1 < f.busyCodes.size(); i += 2) {
        if (f.busyCodes.compare(i, 2, code) == 0) {
            WriteFrame("E1" + code + "05");
            return;
        }
    }
    WriteFrame(Answer(code, payload));
}

int CSimReceiver::Level(int base)
{
    std::uniform_int_distribution<int> d(-3, 3);
    return std::clamp(base + d(m_rng), 5, 99);
}

std::string CSimReceiver::Answer(const std::string& code, const std::string& payload)
{
    const bool wrongModel = [&] {
        std::lock_guard lock(m_faultMutex);
        return m_faults.wrongModel;
    }();
    const char state = m_stateChar.load();
    if (code == "M0") {
        std::string text = wrongModel ? "ZR-Q6900 " : "ZR-Q6930 ";
        text += m_cfg.band;
        text.resize(16, ' ');
        return code + text;
    }
    if (code == "F0") {
        const bool scanning = state == '5' || state == '6' || state == '7';
        std::string p(1, state);
        PutReplyField(p, F0Field::Bank, scanning ? m_scanBank : m_cfg.bank);
        PutReplyField(p, F0Field::Channel, m_cfg.channel);
        PutReplyField(p, F0Field::Frequency, m_cfg.frequencyKhz);
        PutReplyField(p, F0Field::Encryption, m_cfg.encryption);
        PutReplyField(p, F0Field::Code, m_cfg.code);
        PutReplyField(p, F0Field::Fbs, m_cfg.fbs);
        PutReplyField(p, F0Field::Eq, m_cfg.eq);
        return code + p;
    }
    if (code == "C1" || code == "S1") {
        if (code == "C1") {
            m_scanBank = static_cast<int>(std::strtol(payload.substr(0, 1).c_str(), nullptr, 16));
            m_scanChannel = 0;
            m_stateChar = '6';
        } else {
            m_spStart = std::atoi(payload.substr(0, 6).c_str());
            m_spStop = std::atoi(payload.substr(6, 6).c_str());
            m_spStep = std::max(1, std::atoi(payload.substr(12, 3).c_str()));
            m_spFreq = m_spStart;
            m_stateChar = '7';
        }
        return code;
    }
    if (code == "C0" || code == "S0") {
        if (m_stopsIgnored < m_cfg.scanStopsIgnored)
            ++m_stopsIgnored;
        else
            m_stateChar = '0';
        return code;
    }
    if (code == "F1" || code == "F4") {
        m_rfA = Level(m_rfA);
        m_rfB = Level(m_rfB);
        std::uniform_int_distribution<int> pct(0, 99);
        const int sync = pct(m_rng) < 2 ? 1 : 0;
        const int data = pct(m_rng) < 3 ? 1 : 0;
        const int peak = pct(m_rng) < 10 ? 1 : 0;
        std::string p;
        PutReplyField(p, F1Field::SyncError, sync);
        PutReplyField(p, F1Field::DataError, data);
        PutReplyField(p, F1Field::RfA, m_rfA);
        PutReplyField(p, F1Field::RfB, m_rfB);
        PutReplyField(p, F1Field::AfPeak, peak);
        if (code == "F4") {
            PutReplyField(p, F4Field::Bank, m_cfg.bank);
            PutReplyField(p, F4Field::Channel, m_cfg.channel);
            PutReplyField(p, F4Field::Frequency, m_cfg.frequencyKhz);
            PutReplyField(p, F4Field::Extra, 0);
        }
        return code + p;
    }
    if (code == "F2") {
        // A stage's air: the receiver's own carrier (strong), a weak one 1.5 MHz
        // above it, one 4 MHz above that comes and goes with each sweep, and a
        // noise floor elsewhere.
        const auto near = [&](int centre, int width) { return std::abs(m_spFreq - centre) <= width; };
        const int own = m_cfg.frequencyKhz;
        int level = Level(15);
        if (near(own, 50))
            level = 70 - std::abs(m_spFreq - own) / 5;
        else if (near(own + 1500, 50))
            level = 38 - std::abs(m_spFreq - own - 1500) / 10;
        else if (near(own + 5500, 75) && m_sweeps % 3 != 2)
            level = 55 - std::abs(m_spFreq - own - 5500) / 10;
        std::string s;
        PutReplyField(s, F2Field::Level, std::min(level, 99));
        PutReplyField(s, F2Field::Frequency, m_spFreq);
        s = code + s;
        m_spFreq += m_spStep;
        if (m_spFreq > m_spStop) {
            m_spFreq = m_spStart;
            ++m_sweeps;
        }
        return s;
    }
    if (code == "F3") {
        const int level = m_scanChannel == m_cfg.channel ? Level(65) : Level(12);
        std::string s;
        PutReplyField(s, F3Field::Level, level);
        PutReplyField(s, F3Field::Bank, m_scanBank);
        PutReplyField(s, F3Field::Channel, m_scanChannel);
        s = code + s;
        m_scanChannel = (m_scanChannel + 1) % 16;
        return s;
    }
    if (code == "F5") {
        const int n = payload.empty() ? 0 : payload[0] - '0';
        if (n < 1 || n > 7)
            return "E1F502";
        ChangeNowAndThen();
        const auto i = static_cast<std::size_t>(n - 1);
        uint32_t bits;
        std::memcpy(&bits, &m_filterHz[i], 4);
        std::string p;
        PutReplyField(p, F5Field::FrequencyBits, bits);
        PutReplyField(p, F5Field::Gain, m_filterGain[i]);
        PutReplyField(p, F5Field::Second, 0x3F000000u);
        PutReplyField(p, F5Field::OnOff, m_filterOn[i] ? 1 : 0);
        p.resize(static_cast<std::size_t>(ReplyLength(kF5) - 2), '0');
        return code + p;
    }
    if (code == "F6") {
        ChangeNowAndThen();
        std::string p;
        PutReplyField(p, F6Field::Id, m_id);
        return code + p;
    }
    if (code == "V0" || code == "V1" || code == "V2") {
        const int* v = m_cfg.versions[code[1] - '0'];
        std::string p;
        PutReplyField(p, VersionField::Major, v[0]);
        PutReplyField(p, VersionField::Minor, v[1]);
        PutReplyField(p, VersionField::Revision, v[2]);
        PutReplyField(p, VersionField::Build, v[3]);
        return code + p;
    }
    // Codes the tool never sends: a well-formed reply of the right length.
    const int kind = ClassifyCode(static_cast<uint8_t>(code[0]), static_cast<uint8_t>(code[1]));
    return code + std::string(static_cast<std::size_t>(ReplyLength(kind) - 2), '0');
}

void CSimReceiver::ChangeNowAndThen()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_cfg.changeEveryMs <= 0 || now < m_nextChange)
        return;
    m_nextChange = now + std::chrono::milliseconds(m_cfg.changeEveryMs);
    const auto i = static_cast<std::size_t>(std::uniform_int_distribution<int>(0, 6)(m_rng));
    if (m_rng() % 2)
        m_filterOn[i] = !m_filterOn[i];
    else
        m_filterHz[i] = std::clamp(m_filterHz[i] * (m_rng() % 2 ? 1.06f : 0.94f), 20.0f, 20000.0f);
    if (++m_changes % 3 == 0)
        m_id += 0x11;
}

void CSimReceiver::WriteFrame(const std::string& body)
{
    bool corrupt;
    int split;
    {
        std::lock_guard lock(m_faultMutex);
        corrupt = m_faults.corruptChecksum ||
                  (m_faults.corruptPercent > 0 && std::uniform_int_distribution<int>(0, 99)(m_rng) < m_faults.corruptPercent);
        split = m_faults.splitBytes;
    }
    std::vector<uint8_t> frame;
    frame.push_back(STX);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(ETX);
    unsigned sum = 0;
    for (uint8_t b : frame)
        sum += b;
    uint8_t check = static_cast<uint8_t>((256 - sum % 256) % 256);
    frame.push_back(corrupt ? static_cast<uint8_t>(check + 1) : check);
    if (!corrupt && body.size() >= 2 && body.compare(0, 2, "E1") != 0) {
        std::lock_guard lock(m_statsMutex);
        m_answered[body.substr(0, 2)]++; // a whole answer the tool can take
    }
    if (split <= 0) {
        WriteRaw(frame.data(), frame.size());
        return;
    }
    for (std::size_t i = 0; i < frame.size(); i += static_cast<std::size_t>(split)) {
        WriteRaw(frame.data() + i, std::min(frame.size() - i, static_cast<std::size_t>(split)));
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

void CSimReceiver::WriteRaw(const uint8_t* data, std::size_t len)
{
    while (len > 0) {
        ssize_t w = ::write(m_master, data, len);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        data += w;
        len -= static_cast<std::size_t>(w);
    }
}

int CSimReceiver::RequestCount(const std::string& code) const
{
    std::lock_guard lock(m_statsMutex);
    auto it = m_counts.find(code);
    return it == m_counts.end() ? 0 : it->second;
}

std::vector<std::string> CSimReceiver::RequestLog() const
{
    std::lock_guard lock(m_statsMutex);
    return m_log;
}

int CSimReceiver::AnswerCount(const std::string& code) const
{
    std::lock_guard lock(m_statsMutex);
    const auto it = m_answered.find(code);
    return it == m_answered.end() ? 0 : it->second;
}

std::vector<std::chrono::steady_clock::time_point> CSimReceiver::RequestTimes(const std::string& code) const
{
    std::lock_guard lock(m_statsMutex);
    auto it = m_times.find(code);
    return it == m_times.end() ? std::vector<std::chrono::steady_clock::time_point>{} : it->second;
}

SimReceiverConfig DefaultConfig(int index)
{
    static const char* const bands[] = {"G1", "H1", "C4", "C7"};
    SimReceiverConfig c;
    c.bank = (index / 4) % 16;
    c.channel = (index * 3 + 1) % 16;
    c.band = bands[index % 4];
    static const int bandStart[] = {606000, 576000, 794000, 798000};
    c.frequencyKhz = bandStart[index % 4] + 125 * (c.bank * 16 + c.channel + 1);
    c.id = 0x10000000u + static_cast<uint32_t>(index) * 0x01010101u;
    c.seed = static_cast<uint32_t>(index + 1);
    c.encryption = index % 2;
    c.eq = index % 6;
    return c;
}

bool CSimReceiver::InSilence(const SimFaults& f) const
{
    if (f.silenceAtMs < 0 || f.silenceForMs <= 0)
        return false;
    const auto age = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_born).count();
    if (age < f.silenceAtMs)
        return false;
    const long long into = age - f.silenceAtMs;
    return (f.silenceEveryMs > 0 ? into % f.silenceEveryMs : into) < f.silenceForMs;
}

bool ParseFaults(const std::string& text, SimReceiverConfig& cfg, std::string& error)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = text.substr(start, end - start);
        start = end + 1;
        const std::size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        SimFaults& f = cfg.faults;
        if (key == "silent")
            f.silent = true;
        else if (key == "wrong-model")
            f.wrongModel = true;
        else if (key == "corrupt" && value.empty())
            f.corruptChecksum = true;
        else if (key == "corrupt" && !value.empty())
            f.corruptPercent = std::atoi(value.c_str());
        else if (key == "noise")
            f.noise = true;
        else if (key == "split" && !value.empty())
            f.splitBytes = std::atoi(value.c_str());
        else if (key == "hangup" && !value.empty())
            f.hangUpAfterRequests = std::atoi(value.c_str());
        else if (key == "silence" && std::sscanf(value.c_str(), "%d:%d:%d", &f.silenceAtMs, &f.silenceForMs, &f.silenceEveryMs) >= 2)
            ; // read in the condition
        else if (key == "delay" && !value.empty())
            f.replyDelayMs = std::atoi(value.c_str());
        else if (key == "state" && value.size() == 1)
            cfg.state = value[0];
        else if (key == "busy" && value.size() % 2 == 0 && !value.empty())
            f.busyCodes = value;
        else if (key == "reject" && (value.size() == 4 || value.size() == 5) && value[2] == ':') {
            // The reason as the protocol has it (two characters), or its last one.
            f.rejectCode = value.substr(0, 2);
            f.rejectReason = value.size() == 5 ? value.substr(3) : "0" + value.substr(3);
        } else if (!item.empty()) {
            error = "unknown fault '" + item + "'";
            return false;
        }
    }
    return true;
}

} // namespace zr::sim
