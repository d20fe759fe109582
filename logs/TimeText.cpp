#include "logs/TimeText.h"

#include <cstring>

#include "platform/Clock.h"

namespace zr {

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
    // Records come several a second: within the second last put only the
    // milliseconds are new.
    if (const int64_t inSecond = totalMs - m_secondStartMs; m_secondStartMs < 0 || inSecond < 0 || inSecond >= 1000) {
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
        const int64_t second = totalMs / 1000;
        char* q = m_secondText;
        std::memcpy(q, m_prefix.data(), m_prefix.size());
        q += m_prefix.size();
        q = PutPair(q, static_cast<unsigned>(second - minute * 60));
        *q++ = '.';
        m_secondLength = static_cast<std::size_t>(q - m_secondText);
        m_secondStartMs = second * 1000;
    }
    // The whole text buffer at once (the caller's room is 32 bytes): a copy
    // of a fixed size costs less than one of the text's own length.
    std::memcpy(p, m_secondText, sizeof m_secondText);
    p += m_secondLength;
    const auto ms = static_cast<unsigned>(totalMs - m_secondStartMs);
    *p++ = static_cast<char>('0' + ms / 100);
    p = PutPair(p, ms % 100);
    return p;
}

} // namespace zr
