#pragma once
// Record times as text, fast enough for a whole log: the date part is worked
// out once per day of records, the time of day by table digits, and numbers
// are written without printf.
#include <cstdint>
#include <string>

namespace zr {

// The two digits of `v` (below 100) at `p`; returns the end.
inline char* PutPair(char* p, unsigned v)
{
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    p[0] = kPairs[2 * v];
    p[1] = kPairs[2 * v + 1];
    return p + 2;
}

// Appends `value` in decimal, zero-padded to at least `width` digits.
void AppendDecimal(std::string& out, unsigned value, int width = 1);
// The same into a buffer with room for it (at most 10 digits); returns the end.
// Inline, two digits a step: the export writes several per record.
inline char* PutDecimal(char* p, unsigned value)
{
    const int n = value < 10u ? 1 : value < 100u ? 2 : value < 1000u ? 3 : value < 10000u ? 4 : value < 100000u ? 5
                : value < 1000000u ? 6 : value < 10000000u ? 7 : value < 100000000u ? 8 : value < 1000000000u ? 9 : 10;
    char* const end = p + n;
    char* q = end;
    for (; value >= 100; value /= 100)
        PutPair(q -= 2, value % 100);
    if (value >= 10)
        PutPair(q - 2, value);
    else
        q[-1] = static_cast<char>('0' + value);
    return end;
}

class CTimeText {
public:
    // "YYYY<d>MM<d>DD<t>hh:mm:ss.mmm"; the year has at least four digits.
    CTimeText(char dateSeparator, char timeSeparator) : m_dateSeparator(dateSeparator), m_timeSeparator(timeSeparator) {}
    // The time of a local file time (a negative one reads as 0).
    void Append(std::string& out, int64_t fileTime);
    // The same into a buffer with 32 bytes of room (all of which it may
    // write; the text is shorter); returns the end of the text.
    char* Put(char* p, int64_t fileTime);

private:
    char m_dateSeparator, m_timeSeparator;
    int64_t m_minute = -1, m_secondStartMs = -1;
    std::string m_prefix; // "YYYY-MM-DDThh:mm:" of the minute last put
    // "YYYY-MM-DDThh:mm:ss." of the second last put, copied whole: records
    // come several a second.
    char m_secondText[32] = {};
    std::size_t m_secondLength = 0;
};

} // namespace zr
