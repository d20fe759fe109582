#pragma once
// Pacing of the per-receiver polls: a 10 ms tick per receiver fires at most
// one trigger per period; missed periods are skipped, not made up. One period
// is shared by all receivers.
#include <array>
#include <vector>
#include <cstdint>

namespace zr {

constexpr int kMaxReceivers = 16;
constexpr int kPacingTickMs = 10;

class CPollPacer {
public:
    // Restart pacing of one receiver; sets the shared period (ms).
    void Restart(int recNo, int periodMs);
    // One tick at `now` (100-ns units); true when a poll is due.
    bool Tick(int recNo, int64_t now);
    // When a tick of `recNo` will find its poll due (100-ns units); 0 while
    // its first tick, which starts the count, is still to come.
    int64_t DueAt(int recNo) const;
    // How long from `now` (100-ns units) until a tick finds a poll of one of
    // `recNos` due, a first tick counting 10 ms away; -1 for no receiver.
    int64_t NextWait(const std::vector<int>& recNos, int64_t now) const;
    int64_t Period() const { return m_period; }

private:
    int64_t m_period = 5000000;
    std::array<int64_t, kMaxReceivers> m_next{};
    std::array<bool, kMaxReceivers> m_firstTick{};
};

// System time in 100-ns units, for the pacing.
int64_t PacingNow();

} // namespace zr
