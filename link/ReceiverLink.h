#pragma once
// One receiver's link: its serial port, its reader, reply store, and its
// transactions. The reader is the loop that reads every link's port
// (CLinkIoLoop), or on Windows a read thread of the link's own. Polls run on
// the reader itself, between its reads, so an answered poll costs no
// hand-over between threads; the identification and the one-shots (rare,
// and sequences of several exchanges) run on worker threads of their own
// and wait on what the reader reads.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/Frame.h"
#include "link/LinkEvents.h"
#include "platform/Event.h"
#include "platform/SerialPort.h"

namespace zr {

struct SerialSettings {
    uint32_t baudRate = 256000;
};

constexpr uint32_t kReceiverBaud = 256000;
constexpr int kPollWaitMs = 30;
constexpr int kOneShotWaitMs = 100;
constexpr int kIdentifyWaitMs = 100;
constexpr int kWriteTimeoutMs = 420; // 10 ms per byte + 100 ms for 32 bytes

// The diagnostic line of one request written: "No.1 Send: F53 (Write=6
// Written=32)\n"; `written` negative for a failed write (then 0 is shown).
std::string SendLogText(int recNo, const uint8_t* frame, int frameLength, long written);

class CReceiverLink {
public:
    explicit CReceiverLink(ILinkEventSink* events);
    ~CReceiverLink();
    CReceiverLink(const CReceiverLink&) = delete;
    CReceiverLink& operator=(const CReceiverLink&) = delete;

    // Port level. Open: 0 opened, 1 cannot open, 2 already open.
    int Open(const std::string& portName, const SerialSettings& settings);
    // 0 closed (or close requested while identifying), 2 not open.
    int Close();
    // 0 written, 1 not written.
    int Send(const uint8_t* buffer, int frameLength, int kind);
    const std::string& PortName() const { return m_portName; }
    // The name its events carry: never used by another link of this
    // process, so a late event of a closed link cannot match a new link
    // that happens to live at the same address.
    LinkId Id() const { return m_id; }
    // Why the port could not be opened or a thread not started; "" when all is well.
    const std::string& LastError() const { return m_error; }
    bool IsOpen() const { return m_open.load(); }

    // Transactions.
    int SendRequest(const CommandDesc& d);
    int Transact(int kind, int& sendResult, int& waitResult);
    int WaitReply(int kind);
    int MonitorSubWait(const CommandDesc& d);

    // Threads.
    void StartIdentification();
    void JoinIdentification();
    void JoinReadThread();
    // From now on a trigger polls (a trigger already given polls at once).
    void StartPolling();
    void StartOneShot(const CommandDesc& d);
    // One poll with the programme's next command; a trigger while a poll
    // (or a one-shot) runs is dropped.
    void TriggerPoll();
    // TriggerPoll of each, with one wake-up of the reader that serves them
    // all (the links a pacing tick finds due poll together).
    static void TriggerPolls(const std::vector<CReceiverLink*>& links);

    // Poll programme (shared with the reader under a small lock of its own,
    // so the user interface never waits for a transaction).
    void SetPollCommand(const CommandDesc& d);
    CommandDesc PollCommand() const;
    void SetRotationPool(std::vector<const CommandDesc*> pool);
    void SetPollRing(const CommandDesc* main);
    void ClearSendRing();
    std::vector<int> SendRingKinds() const;

    // Reply store.
    void CopyReply(uint8_t* dest, int kind) const; // ReplyLength(kind) bytes
    ReplySlot Reply(int kind) const;
    FrameHeader LastHeader() const;
    ReplySlot FbsRecord(int filter) const; // filter 1..7
    void ClearFbsReplyByte22();            // set byte 22 of the seven stored F5 records to 0
    void SetStoredState(char state);       // the state character of the stored F0 reply

    std::atomic<int> RecNo{-1};
    std::atomic<int> Identified{0};
    std::atomic<int> WaitTimeoutMs{kPollWaitMs};
    std::atomic<int> RetryCount{3};

private:
    friend class CLinkIoLoop;
    // The reader's work, a step at a time.
    void ServeReader(); // a poll's deadline passed, a trigger to serve
    void FeedBytes(const uint8_t* data, std::size_t count);
    void LineGone();      // the port hung up: no more reading
    void FinishReading(); // the stop: the port closes, LinkClosed goes
    void WakeReader();
#ifdef _WIN32
    void ReadLoop();
#endif
    void OnFrameCompleted();
    void IdentifyLoop();
    void OneShotRun(CommandDesc d);
    // The poll transaction, a step at a time on the reader.
    void StartPoll();
    void OnPollFrame(const FrameHeader& h, const uint8_t* frame);
    void OnPollTimeout();
    void RetryPoll();
    void FinishPoll(int sendResult, int waitResult);
    // What the wait came to so far: 0 answered, 1 refused, 2 no answer.
    int PollWaitResult() const;
    // An F5 reply kept as the record of the filter the request named
    // (m_storeMutex held).
    void StoreFbsRecord(const CommandDesc& f5, const uint8_t* reply);
    // How long the reader may wait: until the poll's deadline, or for ever.
    int ReadWaitMs() const;
    int WaitCommon(const CommandDesc& d, int timeoutMs, bool identification);
    CommandDesc ChooseNextCommand();
    void ResetTransactionEvents();
    void RequestStop();
    // Starts a worker thread; false (and LastError set) when the system has
    // no thread to give, which fails this link alone.
    template <typename F>
    bool StartThread(std::thread& thread, F&& body);

    void PostEvent(LinkEventType type, int kind, bool ok);

    ILinkEventSink* m_events;
    const LinkId m_id;
    CSerialPort m_port;
    std::string m_portName;
    std::string m_error; // owner's thread only
    std::atomic<bool> m_open{false};
    std::atomic<int> m_readStop{0};
    std::atomic<int> m_closeFlag{0};
    std::atomic<bool> m_identAbort{false};
    bool m_readerStarted = false; // owner's thread
    bool m_lineGone = false;      // reader only
    CEvent m_readStopEvent{true};
#ifdef _WIN32
    std::thread m_readThread;
#endif
    std::thread m_identThread;
    std::thread m_oneShotThread;

    CFrameAssembler m_assembler; // reader only

    mutable std::mutex m_storeMutex; // reply slots, header, FBS records
    std::array<ReplySlot, kKindCount> m_slots{};
    FrameHeader m_header;
    std::array<ReplySlot, kFbsFilterCount> m_fbs{};

    std::mutex m_lock; // one transaction at a time: a poll vs the one-shot thread
    std::atomic<bool> m_polling{false};
    std::atomic<bool> m_pollTriggered{false};
#ifdef _WIN32
    CEvent m_triggerEvent; // wakes a read thread that waits on a line gone
#endif
    CEvent m_txEvents[4]; // reply, error reply, abort, never signalled
    struct PollTransaction {
        bool active = false;
        CommandDesc command;
        int attemptsLeft = 0;
        bool pending = true;
        bool rejected = false;
        std::chrono::steady_clock::time_point start, deadline;
    };
    PollTransaction m_poll; // reader only
    std::atomic<int> m_awaitedKind{kUnknownKind};

    mutable std::mutex m_programMutex;
    CommandDesc m_pollCommand;
    std::deque<const CommandDesc*> m_sendRing;
    std::deque<const CommandDesc*> m_rotationPool;
    int m_mainKind = kF0;
};

} // namespace zr
