#pragma once
// The local clock, behind a seam so tests can cross hours and days at once.
// A local file time is 100-ns units since 1601-01-01 on the local clock, as a
// Windows FILETIME of the local time holds it.
#include <cstdint>

namespace zr {

struct LocalTime {
    int year = 1601, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class IClock {
public:
    virtual ~IClock() = default;
    virtual LocalTime Now() const = 0;
};

// The clock every log writer uses: the system's local time unless a test set one.
const IClock& CurrentClock();
// Installs a clock (nullptr restores the system clock). Not owned.
void SetClock(const IClock* clock);

int64_t LocalTimeToFileTime(const LocalTime& t);
LocalTime FileTimeToLocalTime(int64_t fileTime);

constexpr int64_t kFileTimePerMs = 10000;
constexpr int64_t kFileTimePerSecond = 10000000;
constexpr int64_t kFileTimePerDay = 864000000000;
// 9999-12-31 23:59:59.999: a later (or negative) file time is no time at all,
// only bytes that are not a log's.
constexpr int64_t kLatestFileTime = 2650467743999990000;
inline bool IsSaneFileTime(int64_t t)
{
    return t >= 0 && t <= kLatestFileTime;
}

// A clock that stands still until moved; for tests and tools.
class CManualClock : public IClock {
public:
    explicit CManualClock(int64_t fileTime) : m_now(fileTime) {}
    LocalTime Now() const override { return FileTimeToLocalTime(m_now); }
    void Advance(int64_t units) { m_now += units; }
    void Set(int64_t fileTime) { m_now = fileTime; }
    int64_t FileTime() const { return m_now; }

private:
    int64_t m_now;
};

} // namespace zr
