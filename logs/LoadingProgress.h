#pragma once
// The arithmetic of the "Loading file..." bar: at most about 100 steps,
// whatever the file size.
#include <cstdint>

namespace zr {

constexpr uint64_t kWalkLoadingThreshold = 204800; // bytes; smaller walk loads show no window

class CLoadingProgress {
public:
    // Start of a load of a file of `size` bytes.
    void Start(uint64_t size);
    // One 32-byte block read; true when the bar position changed.
    bool Step();
    // Several blocks at once; true when the position changed.
    bool Steps(uint64_t count);

    int32_t Divisor() const { return m_divisor; }
    int RangeMaximum() const { return m_rangeMax; }
    int Position() const { return m_position; }
    int32_t Counter() const { return m_counter; }
    uint64_t TotalBlocks() const { return m_total; }

private:
    int32_t m_counter = 0;
    int32_t m_divisor = 1;
    uint64_t m_total = 0;
    int m_rangeMax = 100;
    int m_position = 0;
};

} // namespace zr
