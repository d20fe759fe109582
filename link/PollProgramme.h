#pragma once
// Poll programmes: what a receiver is polled with, how often, and the state
// its table row shows meanwhile. Every switch goes through ApplyPollProgramme,
// so a programme never leaves a send ring of another behind.
#include "link/Frame.h"

namespace zr {

class CReceiverLink;

constexpr int kIdlePeriodMs = 500;
constexpr int kToolPeriodMs = 100;

enum class PollRing {
    None,   // the default poll command alone
    Fbs,    // F0, then the seven F5 filters in turn
    IdView, // F0, then F6
};

struct PollProgramme {
    const char* name;
    int pollKind; // the link's default poll command
    PollRing ring;
    int periodMs;
    char rowState; // shown at once in the table; 0 leaves the row as it is
};

inline constexpr PollProgramme kProgrammeIdle{"idle", kF0, PollRing::None, kIdlePeriodMs, 0};
inline constexpr PollProgramme kProgrammeStopped{"stopped", kF0, PollRing::None, kIdlePeriodMs, '0'};
inline constexpr PollProgramme kProgrammeBackgroundLog{"background log", kF4, PollRing::None, kToolPeriodMs, '3'};
inline constexpr PollProgramme kProgrammeWalk{"walk test", kF1, PollRing::None, kToolPeriodMs, '2'};
inline constexpr PollProgramme kProgrammeChannelScan{"channel scan", kF3, PollRing::None, kToolPeriodMs, '6'};
inline constexpr PollProgramme kProgrammeSpectrumScan{"spectrum scan", kF2, PollRing::None, kToolPeriodMs, '7'};
inline constexpr PollProgramme kProgrammeFbs{"FBS detail", kF0, PollRing::Fbs, kToolPeriodMs, 0};
inline constexpr PollProgramme kProgrammeIdView{"ID view", kF0, PollRing::IdView, kToolPeriodMs, 0};

// Sets the link's default poll command and loads or empties its send ring.
// Pacing is the caller's: stop it before and restart it with periodMs after.
void ApplyPollProgramme(CReceiverLink& link, const PollProgramme& programme);

} // namespace zr
