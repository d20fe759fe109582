#pragma once
// What waits to be published, between the threads that produce it and the
// one that talks to the broker. State topics (retained) keep only their
// latest payload and go at most once per interval each; events (not
// retained) wait in a bounded line. Nothing here blocks or grows without
// bound, so a broker that is away costs memory of one payload per topic.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace zr {

struct OutMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
};

class CPublishQueue {
public:
    explicit CPublishQueue(int64_t minIntervalMs = 100, std::size_t eventCapacity = 256)
        : m_minIntervalMs(minIntervalMs), m_eventCapacity(eventCapacity)
    {
    }

    // The latest state of a topic at `nowMs`. A state not yet sent is
    // replaced; one that waited its interval for a broker that is away counts
    // as dropped (one replaced sooner would have been folded in anyway).
    void PutState(const std::string& topic, std::string payload, int64_t nowMs);
    // An event; dropped (and counted) when the line is full.
    void PutEvent(const std::string& topic, std::string payload);

    // The broker is reachable or not. Reachable again: every state goes once
    // more, for a broker that lost what it retained.
    void SetConnected(bool connected);
    bool Connected() const { return m_connected; }

    // What may go at `nowMs`, at most `max` messages: events first, then the
    // states whose slot has come (one an interval, on average). Nothing while
    // not connected.
    std::vector<OutMessage> TakeDue(int64_t nowMs, std::size_t max);
    // A message taken that could not be handed to the broker.
    void CountDropped(uint64_t n = 1) { m_dropped += n; }
    // Milliseconds from `nowMs` until a held state falls due; -1 when none waits.
    int64_t NextDueInMs(int64_t nowMs) const;
    bool Empty() const;

    uint64_t Dropped() const { return m_dropped; }

private:
    struct State {
        std::string payload;
        bool pending = false;
        int64_t putMs = 0;
        // The slot at which the next may go. Slots follow each other by the
        // interval, not by the sends, so one late send does not make every
        // later one late; a send is never sooner than half an interval after
        // the one before.
        int64_t nextSlotMs = INT64_MIN / 2;
    };
    int64_t m_minIntervalMs;
    std::size_t m_eventCapacity;
    bool m_connected = false;
    std::map<std::string, State> m_states;
    std::deque<OutMessage> m_events;
    uint64_t m_dropped = 0;
};

} // namespace zr
