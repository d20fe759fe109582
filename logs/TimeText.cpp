#include "logs/TimeText.h"

#include <cstring>

#include "platform/Clock.h"

namespace zr {

namespace {

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void AppendPair(char*& p, unsigned v)
{
    *p++ = kPairs[2 * v];
    *p++ = kPairs[2 * v + 1];
}

} // namespace

char* PutDecimal(char* p, unsigned value)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

void AppendDecimal(std::string& out, unsigned value, int width)
{
    char digits[12];
    const auto n = static_cast<int>(PutDecimal(digits, value) - digits);
    for (int i = n; i < width; ++i)
        out.push_back('0');
    out.append(digits, static_cast<std::size_t>(n));
}

void CTimeText::Append(std::string& out, int64_t fileTime)
{
    char text[32];
    out.append(text, static_cast<std::size_t>(Put(text, fileTime) - text));
}

char* CTimeText::Put(char* p, int64_t fileTime)
{
    if (fileTime < 0)
        fileTime = 0;
    const int64_t totalMs = fileTime / kFileTimePerMs;
    const int64_t minute = totalMs / 60000;
    // The date, hour and minute change seldom: kept as text until they do.
    if (minute != m_minute) {
        const int64_t day = totalMs / 86400000;
        const LocalTime t = FileTimeToLocalTime(fileTime);
        m_prefix.clear();
        AppendDecimal(m_prefix, static_cast<unsigned>(t.year), 4);
        m_prefix.push_back(m_dateSeparator);
        AppendDecimal(m_prefix, static_cast<unsigned>(t.month), 2);
        m_prefix.push_back(m_dateSeparator);
        AppendDecimal(m_prefix, static_cast<unsigned>(t.day), 2);
        m_prefix.push_back(m_timeSeparator);
        const auto ms = static_cast<unsigned>(totalMs - day * 86400000);
        AppendDecimal(m_prefix, ms / 3600000, 2);
        m_prefix.push_back(':');
        AppendDecimal(m_prefix, ms / 60000 % 60, 2);
        m_prefix.push_back(':');
        m_minute = minute;
    }
    const auto ms = static_cast<unsigned>(totalMs - minute * 60000);
    std::memcpy(p, m_prefix.data(), m_prefix.size());
    p += m_prefix.size();
    AppendPair(p, ms / 1000);
    *p++ = '.';
    *p++ = static_cast<char>('0' + ms % 1000 / 100);
    AppendPair(p, ms % 100);
    return p;
}

} // namespace zr
