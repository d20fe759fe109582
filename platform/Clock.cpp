#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zr {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kEpoch1601Days = DaysFromCivil(1601, 1, 1);

class CSystemClock : public IClock {
public:
    LocalTime Now() const override
    {
#ifdef _WIN32
        SYSTEMTIME st{};
        ::GetLocalTime(&st);
        return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
#else
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t secs = system_clock::to_time_t(now);
        std::tm tm{};
        localtime_r(&secs, &tm);
        LocalTime t;
        t.year = tm.tm_year + 1900;
        t.month = tm.tm_mon + 1;
        t.day = tm.tm_mday;
        t.hour = tm.tm_hour;
        t.minute = tm.tm_min;
        t.second = tm.tm_sec;
        t.millisecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
        return t;
#endif
    }
};

const CSystemClock g_systemClock;
std::atomic<const IClock*> g_clock{nullptr};

} // namespace

const IClock& CurrentClock()
{
    const IClock* c = g_clock.load();
    return c ? *c : g_systemClock;
}

void SetClock(const IClock* clock)
{
    g_clock = clock;
}

int64_t LocalTimeToFileTime(const LocalTime& t)
{
    const int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kEpoch1601Days;
    const int64_t ms = ((days * 24 + t.hour) * 60 + t.minute) * 60000LL + t.second * 1000LL + t.millisecond;
    return ms * kFileTimePerMs;
}

LocalTime FileTimeToLocalTime(int64_t fileTime)
{
    if (fileTime < 0)
        fileTime = 0;
    const int64_t totalMs = fileTime / kFileTimePerMs;
    const int64_t days = totalMs / 86400000;
    int64_t rest = totalMs % 86400000;
    LocalTime t;
    CivilFromDays(days + kEpoch1601Days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600000);
    rest %= 3600000;
    t.minute = static_cast<int>(rest / 60000);
    rest %= 60000;
    t.second = static_cast<int>(rest / 1000);
    t.millisecond = static_cast<int>(rest % 1000);
    return t;
}

} // namespace zr
