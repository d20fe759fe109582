#include "platform/JsonText.h"

#include <cstdio>

namespace zr {

namespace {

// Length of the well-formed UTF-8 sequence at s[i], 0 when the byte there starts none.
std::size_t Utf8SequenceAt(const std::string& s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    const unsigned c = byte(i);
    auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) { return byte(k) >= lo && byte(k) <= hi; };
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF; // no overlongs, no surrogates
        return cont(i + 1, lo, hi) && cont(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return cont(i + 1, lo, hi) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            // A file name is bytes: a byte that is no UTF-8 becomes the lone
            // surrogate U+DC00+byte (as Python's surrogateescape reads it), so
            // the line stays JSON and the name can be had back.
            const std::size_t n = Utf8SequenceAt(s, i);
            if (n == 0) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\udc%02x", c);
                out += buf;
            } else {
                out.append(s, i, n);
                i += n - 1;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
}

} // namespace zr
