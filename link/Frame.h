#pragma once
// Frame layout, command-code table, request building, reassembly and
// validation of the receiver protocol.
#include <array>
#include <cstddef>
#include <cstdint>

namespace zr {

constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;

enum ResponseKind : int {
    kC1 = 0, kC0, kS1, kS0, kG0, kW0, kW1, kW2, kW3, kW4,
    kF0 = 10, kF1, kF2, kF3, kF4, kF5, kF6,
    kM0 = 17, kV0, kV1, kV2,
    kR0 = 21, kR1, kR2, kR3, kR4,
    kD0 = 26, kE1 = 27,
    kUnknownKind = 28,
};
constexpr int kKindCount = 28;

struct CodeInfo {
    char code[3];
    int requestFrame;   // whole request frame, 4 + payload; 0 for E1
    int requestPayload; // -1 for E1 (never sent)
    int replyLength;    // code + payload characters of the reply
};

const CodeInfo& GetCodeInfo(int kind); // kind 0..27
const char* KindCode(int kind);        // "??" for unknown kinds
int ReplyLength(int kind);             // 0 for unknown kinds
int ClassifyCode(uint8_t c0, uint8_t c1);

constexpr std::size_t kPayloadArea = 27;
struct CommandDesc {
    int kind = kF0;
    std::array<uint8_t, kPayloadArea> payload{};
};

constexpr std::size_t kRequestBufferSize = 32;
// Builds the request into a zero-filled 32-byte buffer; returns the frame
// length, or 0 for a kind that cannot be sent (E1, unknown).
int BuildRequest(const CommandDesc& cmd, uint8_t (&buffer)[kRequestBufferSize]);

struct FrameHeader {
    char code[2] = {0, 0};
    uint8_t status = 0; // 0 valid, 1 checksum error, 2 length error
    uint8_t kind = kUnknownKind;
};

class CFrameAssembler {
public:
    static constexpr int kMaxCount = 255;
    // 1 when this byte completed a frame.
    int Feed(uint8_t byte);
    // Valid after Feed returned 1.
    FrameHeader Validate() const;
    const uint8_t* Buffer() const { return m_buffer.data(); }
    int Count() const { return m_count; }

private:
    std::array<uint8_t, 256> m_buffer{};
    int m_count = 0;
    int m_state = 0; // 0 waiting for STX, 1 inside a frame, 2 waiting for checksum
};

constexpr std::size_t kSlotSize = 50;
using ReplySlot = std::array<uint8_t, kSlotSize>;

// The receiver's feedback suppressor has seven filters, F5 '1' to '7'.
constexpr int kFbsFilterCount = 7;
using FbsRecords = std::array<ReplySlot, kFbsFilterCount>;

} // namespace zr
