#pragma once
// Record times as text, fast enough for a whole log: the date part is worked
// out once per day of records, the time of day by table digits, and numbers
// are written without printf.
#include <cstdint>
#include <string>

namespace zr {

// Appends `value` in decimal, zero-padded to at least `width` digits.
void AppendDecimal(std::string& out, unsigned value, int width = 1);
// The same into a buffer with room for it (at most 10 digits); returns the end.
char* PutDecimal(char* p, unsigned value);

class CTimeText {
public:
    // "YYYY<d>MM<d>DD<t>hh:mm:ss.mmm"; the year has at least four digits.
    CTimeText(char dateSeparator, char timeSeparator) : m_dateSeparator(dateSeparator), m_timeSeparator(timeSeparator) {}
    // The time of a local file time (a negative one reads as 0).
    void Append(std::string& out, int64_t fileTime);
    // The same into a buffer with room for it (at most 32 bytes); returns the end.
    char* Put(char* p, int64_t fileTime);

private:
    char m_dateSeparator, m_timeSeparator;
    int64_t m_minute = -1;
    std::string m_prefix; // "YYYY-MM-DDThh:mm:" of the minute last put
};

} // namespace zr
