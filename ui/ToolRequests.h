#pragma once
// What a tool or viewer window asks of the window that hosts it: start and
// stop what a receiver does, say it closed, and show a log's loading. Called
// on the user-interface thread; each request is handled before it returns.
#include <cstdint>
#include <string>

namespace zr {

struct SpectrumRangeKhz {
    int32_t start = 0;
    int32_t stop = 0;
    int32_t step = 0;
};

class IToolRequests {
public:
    virtual ~IToolRequests() = default;

    virtual void StartChannelScan(int recNo, uint16_t bankCode) = 0;
    virtual void StartSpectrumScan(int recNo, const SpectrumRangeKhz& range) = 0;
    virtual void StopChannelScan(int recNo) = 0;
    virtual void StopSpectrumScan(int recNo) = 0;
    virtual void StartWalkTest(int recNo) = 0;
    virtual void StopWalkTest(int recNo) = 0;
    // FBS Detail of `recNo` closed; ID View (which serves every receiver) closed.
    virtual void FbsDetailClosed(int recNo) = 0;
    virtual void IdViewClosed() = 0;

    // A log (or a conversion's source) is being read: the loading window
    // shows `path`, with its progress where `showProgress`.
    virtual void LoadingStarted(const std::string& path, bool showProgress) = 0;
    virtual void LoadProgress(uint64_t blocksRead) = 0;
    virtual void LoadingEnded() = 0;
    // Change View: the time-domain viewer on `khz` of the spectrum log `path`.
    virtual void ShowTimeDomain(int khz, int logState, const std::string& path) = 0;
};

} // namespace zr
