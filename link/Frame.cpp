#include "link/Frame.h"

#include <cstring>

namespace zr {

namespace {

constexpr CodeInfo kCodes[kKindCount] = {
    {"C1", 6, 1, 2},   {"C0", 5, 0, 2},   {"S1", 20, 15, 2}, {"S0", 5, 0, 2},   {"G0", 7, 2, 2},
    {"W0", 11, 6, 2},  {"W1", 13, 8, 2},  {"W2", 7, 2, 2},   {"W3", 5, 0, 2},   {"W4", 6, 1, 2},
    {"F0", 5, 0, 15},  {"F1", 5, 0, 9},   {"F2", 5, 0, 10},  {"F3", 5, 0, 6},   {"F4", 5, 0, 18},
    {"F5", 6, 1, 24},  {"F6", 5, 0, 10},  {"M0", 5, 0, 18},  {"V0", 5, 0, 16},  {"V1", 5, 0, 16},
    {"V2", 5, 0, 16},  {"R0", 9, 4, 4},   {"R1", 7, 2, 8},   {"R2", 5, 0, 4},   {"R3", 5, 0, 3},
    {"R4", 5, 0, 3},   {"D0", 5, 0, 42},  {"E1", 0, -1, 6},
};

} // namespace

const CodeInfo& GetCodeInfo(int kind)
{
    return kCodes[kind];
}

const char* KindCode(int kind)
{
    return kind >= 0 && kind < kKindCount ? kCodes[kind].code : "??";
}

int ReplyLength(int kind)
{
    return kind >= 0 && kind < kKindCount ? kCodes[kind].replyLength : 0;
}

int ClassifyCode(uint8_t c0, uint8_t c1)
{
    for (int k = 0; k < kKindCount; ++k)
        if (static_cast<uint8_t>(kCodes[k].code[0]) == c0 && static_cast<uint8_t>(kCodes[k].code[1]) == c1)
            return k;
    return kUnknownKind;
}

int BuildRequest(const CommandDesc& cmd, uint8_t (&buffer)[kRequestBufferSize])
{
    std::memset(buffer, 0, sizeof buffer);
    if (cmd.kind < 0 || cmd.kind >= kE1)
        return 0;
    const CodeInfo& info = kCodes[cmd.kind];
    const int n = info.requestPayload;
    buffer[0] = STX;
    buffer[1] = static_cast<uint8_t>(info.code[0]);
    buffer[2] = static_cast<uint8_t>(info.code[1]);
    std::memcpy(buffer + 3, cmd.payload.data(), static_cast<std::size_t>(n));
    buffer[3 + n] = ETX;
    unsigned sum = 0;
    for (int i = 0; i < 4 + n; ++i)
        sum += buffer[i];
    buffer[4 + n] = static_cast<uint8_t>((256 - sum % 256) % 256);
    return info.requestFrame;
}

int CFrameAssembler::Feed(uint8_t byte)
{
    switch (m_state) {
    case 0:
        if (byte == STX) {
            m_buffer.fill(0);
            m_count = 0;
            m_state = 1;
        }
        return 0;
    case 1:
        if (byte == ETX) {
            m_state = 2;
        } else if (byte == STX) {
            m_buffer.fill(0);
            m_count = 0;
        } else if (m_count < kMaxCount) {
            m_buffer[static_cast<std::size_t>(m_count++)] = byte;
        }
        return 0;
    default:
        m_buffer[static_cast<std::size_t>(m_count)] = byte;
        m_state = 0;
        return 1;
    }
}

FrameHeader CFrameAssembler::Validate() const
{
    FrameHeader h;
    h.code[0] = static_cast<char>(m_buffer[0]);
    h.code[1] = static_cast<char>(m_buffer[1]);
    h.kind = static_cast<uint8_t>(ClassifyCode(m_buffer[0], m_buffer[1]));
    unsigned sum = 0;
    for (int i = 0; i <= m_count; ++i)
        sum += m_buffer[static_cast<std::size_t>(i)];
    if ((sum & 0xFF) != 0xFB)
        h.status = 1;
    if (h.kind == kUnknownKind || m_count != kCodes[h.kind].replyLength)
        h.status = 2;
    return h;
}

} // namespace zr
