#include "link/ReceiverLink.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "link/Commands.h"
#include "link/LinkEventBatch.h"
#include "link/LinkIoLoop.h"
#include "link/ReplyFields.h"
#include "platform/Trace.h"

namespace zr {

namespace {

// A ring entry of this kind means: send nothing on that poll.
const CommandDesc kNothingCommand = [] {
    CommandDesc d;
    d.kind = kUnknownKind;
    return d;
}();

// A receiver that keeps reporting a running scan after being told to stop
// would hold identification forever; give up after this many stop commands.
constexpr int kMaxScanStops = 8;

// An E1 refusal that asks for the request again (reasons 4 and 8) rather
// than ending the exchange; only the reason's second character tells.
bool RefusalAsksAgain(const uint8_t* e1)
{
    const uint8_t reason = e1[2 + E1Field::Reason.pos + 1];
    return reason == '8' || reason == '4';
}

long long ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

namespace {
std::atomic<LinkId> g_nextLinkId{1};
}

CReceiverLink::CReceiverLink(ILinkEventSink* events) : m_events(events), m_id(g_nextLinkId.fetch_add(1)) {}

void CReceiverLink::PostEvent(LinkEventType type, int kind, bool ok)
{
    LinkEvent e;
    e.type = type;
    e.link = m_id;
    e.kind = kind;
    e.ok = ok;
    if (type == LinkEventType::PollReply && kind >= 0 && kind < kKindCount) {
        // The reply as it was when it came: the next poll may store another
        // before the owner gets to this one.
        std::lock_guard lock(m_storeMutex);
        e.reply = m_slots[static_cast<std::size_t>(kind)];
        e.state = m_slots[kF0];
    }
    CLinkEventBatch::Post(m_events, e);
}

CReceiverLink::~CReceiverLink()
{
    RequestStop();
    for (std::thread* t : {&m_identThread, &m_oneShotThread})
        if (t->joinable())
            t->join();
    JoinReadThread();
    m_port.Close();
}

template <typename F>
bool CReceiverLink::StartThread(std::thread& thread, F&& body)
{
    try {
        thread = std::thread(std::forward<F>(body));
        return true;
    } catch (const std::system_error& e) {
        m_error = std::string("cannot start a thread: ") + e.code().message();
        Trace("No.%d %s\n", RecNo.load(), m_error.c_str());
        return false;
    }
}

int CReceiverLink::Open(const std::string& portName, const SerialSettings& settings)
{
    if (m_open || m_readerStarted)
        return 2;
    m_portName = portName;
    if (m_port.Open(portName, settings.baudRate) != 0) {
        m_error = "cannot open: " + m_port.LastErrorText();
        return 1;
    }
    m_error.clear();
    m_open = true;
    m_readStop = 0;
#ifdef _WIN32
    const bool reading = StartThread(m_readThread, [this] { ReadLoop(); });
#else
    const bool reading = CLinkIoLoop::Instance().Add(this, m_error);
#endif
    if (!reading) {
        m_open = false;
        m_port.Close();
        return 1;
    }
    m_readerStarted = true;
    return 0;
}

void CReceiverLink::RequestStop()
{
    m_closeFlag = 1;
    m_identAbort = true;
    m_txEvents[2].Set();
    m_readStop = 1;
    m_readStopEvent.Set();
    m_open = false;
    WakeReader();
}

int CReceiverLink::Close()
{
    if (!m_open)
        return 2;
    if (m_identThread.joinable()) {
        // Identification still runs: only abort it; the owner closes the link
        // again once it has reported.
        m_identAbort = true;
        m_txEvents[2].Set();
        return 0;
    }
    m_port.PurgeInput();
    RequestStop();
    return 0;
}

std::string SendLogText(int recNo, const uint8_t* frame, int frameLength, long written)
{
    char text[128];
    int n = std::snprintf(text, sizeof text, "No.%d Send: ", recNo);
    for (int i = 1; i <= frameLength - 3 && n < 100; ++i)
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%c", frame[i]);
    std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), " (Write=%d Written=%ld)\n", frameLength, written < 0 ? 0L : written);
    return text;
}

int CReceiverLink::Send(const uint8_t* buffer, int frameLength, int kind)
{
    (void)kind;
    if (!m_open)
        return 1;
    // Always the whole 32-byte block: the frame and its zero padding.
    const long written = m_port.Write(buffer, kRequestBufferSize, kWriteTimeoutMs);
    // The send log is a diagnostic: made only when traces are on.
    if (TraceEnabled())
        Trace("%s%s", SendLogText(RecNo.load(), buffer, frameLength, written).c_str(), written < 0 ? "Connection error.\n" : "");
    return written < 0 ? 1 : 0;
}

void CReceiverLink::WakeReader()
{
#ifdef _WIN32
    m_port.Wake();
#else
    CLinkIoLoop::Instance().Wake();
#endif
}

void CReceiverLink::ServeReader()
{
    OnPollTimeout();
    if (!m_poll.active && m_polling && m_pollTriggered)
        StartPoll();
}

void CReceiverLink::FeedBytes(const uint8_t* data, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (m_assembler.Feed(data[i]))
            OnFrameCompleted();
}

void CReceiverLink::LineGone()
{
    // The line is gone (cable pulled): no more reading, and no spinning on
    // it. A poll still runs its course, its writes failing, as with a
    // silent receiver.
    if (!m_lineGone)
        Trace("No.%d port hung up\n", RecNo.load());
    m_lineGone = true;
}

void CReceiverLink::FinishReading()
{
    if (m_poll.active) {
        m_poll.active = false; // closing: its result goes to nobody
        m_lock.unlock();
    }
    m_port.Close();
    PostEvent(LinkEventType::LinkClosed, kUnknownKind, true);
}

#ifdef _WIN32
void CReceiverLink::ReadLoop()
{
    uint8_t buf[1024];
    while (!m_readStop) {
        ServeReader();
        if (m_readStop)
            break;
        const int waitMs = ReadWaitMs();
        if (m_lineGone) {
            CEvent* waits[2] = {&m_readStopEvent, &m_triggerEvent};
            WaitForAny(waits, 2, waitMs);
            continue;
        }
        std::size_t got = 0;
        const auto r = m_port.Read(buf, sizeof buf, got, waitMs);
        if (r == CSerialPort::kReadData)
            FeedBytes(buf, got);
        else if (r == CSerialPort::kReadHangUp)
            LineGone();
        // Woken or timed out: the stop, a trigger or the deadline, above.
    }
    FinishReading();
}
#endif

void CReceiverLink::OnFrameCompleted()
{
    const FrameHeader h = m_assembler.Validate();
    const uint8_t* b = m_assembler.Buffer();
    {
        std::lock_guard lock(m_storeMutex);
        m_header = h;
        if (h.kind < kKindCount)
            std::memcpy(m_slots[h.kind].data(), b, static_cast<std::size_t>(ReplyLength(h.kind)));
    }
    if (h.kind < kKindCount && h.status == 0) {
        const int awaited = m_awaitedKind.load();
        if (h.kind == kE1) {
            if (ClassifyCode(b[2], b[3]) == awaited)
                m_txEvents[1].Set();
        } else if (h.kind == awaited) {
            m_txEvents[0].Set();
        }
        if (m_poll.active)
            OnPollFrame(h, b);
    }
}

void CReceiverLink::ResetTransactionEvents()
{
    for (auto& e : m_txEvents)
        e.Reset();
}

int CReceiverLink::SendRequest(const CommandDesc& d)
{
    uint8_t buffer[kRequestBufferSize];
    const int length = BuildRequest(d, buffer);
    if (length == 0)
        return 1;
    ResetTransactionEvents();
    m_awaitedKind = d.kind;
    return Send(buffer, length, d.kind);
}

int CReceiverLink::WaitCommon(const CommandDesc& d, int timeoutMs, bool identification)
{
    const int k = d.kind;
    bool pending = true, rejected = false, aborted = false;
    int attemptsLeft = RetryCount.load();
    CEvent* events[4] = {&m_txEvents[0], &m_txEvents[1], &m_txEvents[2], &m_txEvents[3]};
    for (;;) {
        const int which = WaitForAny(events, 4, timeoutMs);
        if (which == 0) {
            pending = false;
            std::lock_guard lock(m_storeMutex);
            if (m_header.kind == k) {
                const ReplySlot& slot = m_slots[static_cast<std::size_t>(k)];
                if (identification && k == kM0 && std::memcmp(slot.data() + 2, kModelCode, 8) != 0)
                    pending = true; // another model: as if nothing answered
                if (!identification && k == kF5)
                    StoreFbsRecord(d, slot.data());
            }
        } else if (which == 1) {
            std::lock_guard lock(m_storeMutex);
            const ReplySlot& e1 = m_slots[kE1];
            if (ClassifyCode(e1[2], e1[3]) == k) {
                pending = RefusalAsksAgain(e1.data());
                rejected = true;
            }
        } else if (which == 2) {
            aborted = true;
        } else if (!identification) {
            Trace("応答待ちタイムアウト RecNo.%d (MonitorSubWait)\n", RecNo.load());
        }
        ResetTransactionEvents();
        --attemptsLeft;
        if (identification && m_identAbort)
            aborted = true; // an abort is never lost between two waits
        if (!pending || aborted || attemptsLeft <= 0)
            break;
        if (SendRequest(identification ? MakeCommand(k) : d) != 0)
            break;
    }
    return rejected ? 1 : pending ? 2 : 0;
}

int CReceiverLink::WaitReply(int kind)
{
    return WaitCommon(MakeCommand(kind), kIdentifyWaitMs, true);
}

int CReceiverLink::MonitorSubWait(const CommandDesc& d)
{
    return WaitCommon(d, WaitTimeoutMs.load(), false);
}

int CReceiverLink::Transact(int kind, int& sendResult, int& waitResult)
{
    const auto start = std::chrono::steady_clock::now();
    sendResult = 0;
    waitResult = 0;
    if (m_identAbort || SendRequest(MakeCommand(kind)) != 0) {
        sendResult = 1;
        return 1;
    }
    waitResult = WaitReply(kind);
    Trace("spantime = %lld[ms]\n", ElapsedMs(start));
    return waitResult == 2 ? 1 : 0;
}

void CReceiverLink::StartIdentification()
{
    if (m_identThread.joinable())
        return;
    if (!StartThread(m_identThread, [this] { IdentifyLoop(); }))
        PostEvent(LinkEventType::IdentifyDone, kUnknownKind, false);
}

void CReceiverLink::JoinIdentification()
{
    if (m_identThread.joinable())
        m_identThread.join();
}

void CReceiverLink::JoinReadThread()
{
#ifdef _WIN32
    if (m_readThread.joinable())
        m_readThread.join();
#else
    if (m_readerStarted)
        CLinkIoLoop::Instance().WaitReleased(this);
#endif
}

void CReceiverLink::IdentifyLoop()
{
    bool failed = true;
    int sr = 0, wr = 0;
    do {
        if (Transact(kM0, sr, wr) != 0 || wr == 1)
            break;
        if (Transact(kF0, sr, wr) != 0)
            break;
        bool refused = false;
        for (int stops = 0;; ++stops) {
            if (wr == 1) {
                refused = true;
                break;
            }
            const uint8_t state = ReplyChar(Reply(kF0).data(), F0Field::State);
            if (state == '6' || state == '7') {
                if (stops >= kMaxScanStops || Transact(state == '6' ? kC0 : kS0, sr, wr) != 0 || wr == 1 || Transact(kF0, sr, wr) != 0) {
                    refused = true;
                    break;
                }
                continue;
            }
            refused = state == '4' || state == 'A';
            break;
        }
        if (refused)
            break;
        failed = false;
        if (Transact(kV0, sr, wr) != 0 || Transact(kV1, sr, wr) != 0 || Transact(kV2, sr, wr) != 0)
            break;
        Identified = 1;
    } while (false);
    PostEvent(LinkEventType::IdentifyDone, kUnknownKind, !failed && sr == 0 && wr == 0);
}

void CReceiverLink::StartPolling()
{
    {
        std::lock_guard lock(m_programMutex);
        m_pollCommand.kind = kF0;
    }
    m_polling = true;
    WakeReader(); // a trigger already given polls now
}

void CReceiverLink::TriggerPoll()
{
    m_pollTriggered = true;
#ifdef _WIN32
    m_triggerEvent.Set(); // a read thread whose line is gone waits on it
#endif
    WakeReader();
}

void CReceiverLink::TriggerPolls(const std::vector<CReceiverLink*>& links)
{
#ifdef _WIN32
    for (CReceiverLink* link : links)
        link->TriggerPoll(); // each link has a reader of its own
#else
    for (CReceiverLink* link : links)
        link->m_pollTriggered = true;
    if (!links.empty())
        CLinkIoLoop::Instance().Wake();
#endif
}

CommandDesc CReceiverLink::ChooseNextCommand()
{
    std::lock_guard lock(m_programMutex);
    if (m_sendRing.empty())
        return m_pollCommand;
    const CommandDesc* head = m_sendRing.front();
    m_sendRing.pop_front();
    if (head->kind == m_mainKind || m_rotationPool.empty()) {
        m_sendRing.push_back(head);
    } else {
        const CommandDesc* next = m_rotationPool.front();
        m_rotationPool.pop_front();
        m_rotationPool.push_back(next);
        m_sendRing.push_back(next);
    }
    return *head;
}

// ---- The poll transaction, on the reader ------------------------------------------
// The same exchange as a one-shot's wait: up to RetryCount requests, each
// waited on for WaitTimeoutMs; the awaited reply ends it, an E1 refusal of
// the request ends it refused (but for reasons 4 and 8, which ask again).

int CReceiverLink::ReadWaitMs() const
{
    if (!m_poll.active)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(m_poll.deadline - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::max<long long>(0, (left + 999) / 1000));
}

void CReceiverLink::StartPoll()
{
    // A one-shot holds the line: when it is done it wakes this thread again.
    if (!m_lock.try_lock())
        return;
    m_pollTriggered = false;
    const CommandDesc command = ChooseNextCommand();
    if (command.kind == kUnknownKind) {
        m_lock.unlock(); // this turn of the ring sends nothing
        return;
    }
    m_poll.active = true;
    m_poll.command = command;
    m_poll.start = std::chrono::steady_clock::now();
    m_poll.attemptsLeft = RetryCount.load();
    m_poll.pending = true;
    m_poll.rejected = false;
    if (SendRequest(command) != 0) {
        FinishPoll(1, 0);
        return;
    }
    m_poll.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitTimeoutMs.load());
}

void CReceiverLink::OnPollFrame(const FrameHeader& h, const uint8_t* frame)
{
    const int k = m_poll.command.kind;
    if (h.kind == k) {
        m_poll.pending = false;
        if (k == kF5) {
            std::lock_guard lock(m_storeMutex);
            StoreFbsRecord(m_poll.command, frame);
        }
    } else if (h.kind == kE1 && ClassifyCode(frame[2], frame[3]) == k) {
        m_poll.pending = RefusalAsksAgain(frame);
        m_poll.rejected = true;
    } else {
        return; // not this poll's answer
    }
    --m_poll.attemptsLeft;
    if (!m_poll.pending || m_poll.attemptsLeft <= 0)
        FinishPoll(0, PollWaitResult());
    else
        RetryPoll();
}

int CReceiverLink::PollWaitResult() const
{
    return m_poll.rejected ? 1 : m_poll.pending ? 2 : 0;
}

void CReceiverLink::StoreFbsRecord(const CommandDesc& f5, const uint8_t* reply)
{
    const uint8_t n = f5.payload[0];
    const int filter = n >= '0' && n <= '9' ? n - '0' : 0;
    if (filter < 1 || filter > kFbsFilterCount)
        return;
    ReplySlot& rec = m_fbs[static_cast<std::size_t>(filter - 1)];
    rec.fill(0);
    std::memcpy(rec.data(), reply, static_cast<std::size_t>(ReplyLength(kF5)));
}

void CReceiverLink::OnPollTimeout()
{
    if (!m_poll.active || std::chrono::steady_clock::now() < m_poll.deadline)
        return;
    Trace("応答待ちタイムアウト RecNo.%d (MonitorSubWait)\n", RecNo.load());
    if (--m_poll.attemptsLeft <= 0)
        FinishPoll(0, PollWaitResult());
    else
        RetryPoll();
}

void CReceiverLink::RetryPoll()
{
    if (SendRequest(m_poll.command) != 0) {
        FinishPoll(0, PollWaitResult());
        return;
    }
    m_poll.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitTimeoutMs.load());
}

void CReceiverLink::FinishPoll(int sendResult, int waitResult)
{
    m_poll.active = false;
    const int kind = m_poll.command.kind;
    if (sendResult == 0 && waitResult == 1) {
        std::lock_guard store(m_storeMutex);
        const ReplySlot& e1 = m_slots[kE1];
        const int rejectedKind = ClassifyCode(e1[2], e1[3]);
        const bool busyKind = rejectedKind == kF5 || rejectedKind == kF6 || rejectedKind == kF1 || rejectedKind == kF4;
        if (e1[2 + E1Field::Reason.pos + 1] == '5' && busyKind) {
            // Busy with its own channel scan: counts as answered.
            waitResult = 0;
            ReplyChar(m_slots[kF0].data(), F0Field::State) = '5';
            if (rejectedKind != kF5)
                m_slots[static_cast<std::size_t>(rejectedKind)].fill(0);
        }
    }
    if (long long ms = ElapsedMs(m_poll.start); ms > 30)
        Trace("MonitorSubSend() spantime = %lld[ms](RecNo:%d)\n", ms, RecNo.load());
    // A trigger that came in during the transaction is dropped.
    m_pollTriggered = false;
    ResetTransactionEvents();
    m_lock.unlock();
    if (m_closeFlag)
        return;
    const bool answered = sendResult == 0 && waitResult == 0;
    PostEvent(answered ? LinkEventType::PollReply : LinkEventType::PollFailed, kind, answered);
}

void CReceiverLink::StartOneShot(const CommandDesc& d)
{
    if (m_oneShotThread.joinable())
        m_oneShotThread.join();
    WaitTimeoutMs = kOneShotWaitMs;
    if (!StartThread(m_oneShotThread, [this, d] { OneShotRun(d); }))
        PostEvent(LinkEventType::OneShotResult, d.kind, false);
}

void CReceiverLink::OneShotRun(CommandDesc d)
{
    int sr, wr = 2;
    const auto start = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(m_lock);
        sr = SendRequest(d);
        if (sr == 0)
            wr = MonitorSubWait(d);
    }
    WakeReader(); // a poll asked for meanwhile runs now
    if (long long ms = ElapsedMs(start); ms > 30)
        Trace("MonitorSubSend() spantime = %lld[ms](RecNo:%d)\n", ms, RecNo.load());
    PostEvent(LinkEventType::OneShotResult, d.kind, sr == 0 && wr == 0);
}

void CReceiverLink::SetPollCommand(const CommandDesc& d)
{
    std::lock_guard lock(m_programMutex);
    m_pollCommand = d;
}

CommandDesc CReceiverLink::PollCommand() const
{
    std::lock_guard lock(m_programMutex);
    return m_pollCommand;
}

void CReceiverLink::SetRotationPool(std::vector<const CommandDesc*> pool)
{
    std::lock_guard lock(m_programMutex);
    m_rotationPool.assign(pool.begin(), pool.end());
}

void CReceiverLink::SetPollRing(const CommandDesc* main)
{
    std::lock_guard lock(m_programMutex);
    m_sendRing.clear();
    m_sendRing.push_back(main);
    m_mainKind = main->kind;
    while (m_rotationPool.size() < 4)
        m_rotationPool.push_back(&kNothingCommand);
    for (int i = 0; i < 4; ++i) {
        const CommandDesc* head = m_rotationPool.front();
        m_rotationPool.pop_front();
        m_rotationPool.push_back(head);
        m_sendRing.push_back(head);
    }
}

void CReceiverLink::ClearSendRing()
{
    std::lock_guard lock(m_programMutex);
    m_sendRing.clear();
}

std::vector<int> CReceiverLink::SendRingKinds() const
{
    std::lock_guard lock(m_programMutex);
    std::vector<int> kinds;
    for (const CommandDesc* d : m_sendRing)
        kinds.push_back(d->kind);
    return kinds;
}

void CReceiverLink::CopyReply(uint8_t* dest, int kind) const
{
    if (kind < 0 || kind >= kKindCount)
        return;
    std::lock_guard lock(m_storeMutex);
    std::memcpy(dest, m_slots[static_cast<std::size_t>(kind)].data(), static_cast<std::size_t>(ReplyLength(kind)));
}

ReplySlot CReceiverLink::Reply(int kind) const
{
    if (kind < 0 || kind >= kKindCount)
        return {};
    std::lock_guard lock(m_storeMutex);
    return m_slots[static_cast<std::size_t>(kind)];
}

FrameHeader CReceiverLink::LastHeader() const
{
    std::lock_guard lock(m_storeMutex);
    return m_header;
}

ReplySlot CReceiverLink::FbsRecord(int filter) const
{
    if (filter < 1 || filter > kFbsFilterCount)
        return {};
    std::lock_guard lock(m_storeMutex);
    return m_fbs[static_cast<std::size_t>(filter - 1)];
}

void CReceiverLink::ClearFbsReplyByte22()
{
    std::lock_guard lock(m_storeMutex);
    for (auto& rec : m_fbs)
        rec[kFbsOnOffByte] = 0;
}

void CReceiverLink::SetStoredState(char state)
{
    std::lock_guard lock(m_storeMutex);
    ReplyChar(m_slots[kF0].data(), F0Field::State) = static_cast<uint8_t>(state);
}

} // namespace zr
