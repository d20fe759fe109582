#include "link/ReplyFields.h"

#include <cstdio>

#include "link/Commands.h"

namespace zr {

namespace {
constexpr int kPayloadOffset = 2;
}

int32_t ReadReplyField(const uint8_t* reply, const ReplyField& f)
{
    return ReadField(reply + kPayloadOffset + f.pos, f.width, f.base, f.def);
}

int32_t ReadReplyField(const uint8_t* reply, const ReplyField& f, int32_t def)
{
    return ReadField(reply + kPayloadOffset + f.pos, f.width, f.base, def);
}

std::string ReplyFieldText(const uint8_t* reply, const ReplyField& f)
{
    std::string t;
    for (int i = 0; i < f.width && reply[kPayloadOffset + f.pos + i] != 0; ++i)
        t.push_back(static_cast<char>(reply[kPayloadOffset + f.pos + i]));
    return t;
}

void PutReplyField(std::string& payload, const ReplyField& f, int64_t value)
{
    char text[32];
    if (f.base == 16)
        std::snprintf(text, sizeof text, "%0*llX", f.width, static_cast<unsigned long long>(value));
    else if (value < 0)
        std::snprintf(text, sizeof text, "-%0*lld", f.width - 1, static_cast<long long>(-value));
    else
        std::snprintf(text, sizeof text, "%0*lld", f.width, static_cast<long long>(value));
    std::string field(text);
    field.resize(static_cast<std::size_t>(f.width), '0');
    if (payload.size() < static_cast<std::size_t>(f.pos + f.width))
        payload.resize(static_cast<std::size_t>(f.pos + f.width), '0');
    payload.replace(static_cast<std::size_t>(f.pos), static_cast<std::size_t>(f.width), field);
}

} // namespace zr
