#pragma once
// Where every field of every reply stands, as data: the decoders, the table
// rows, the command line and the simulator all read these descriptions, so a
// field's position, width, base and default are written down once.
#include <cstdint>
#include <string>

namespace zr {

struct ReplyField {
    int pos;     // payload position (reply byte pos + 2)
    int width;   // characters
    int base;    // 10 or 16; 0 for a text field
    int32_t def; // value when unreadable
};

// Reads a numeric field of a stored reply (code at 0 and 1, payload from 2).
int32_t ReadReplyField(const uint8_t* reply, const ReplyField& f);
// The same with another default, for readers that must tell "unreadable".
int32_t ReadReplyField(const uint8_t* reply, const ReplyField& f, int32_t def);
// A text field's characters, stopping at a zero byte.
std::string ReplyFieldText(const uint8_t* reply, const ReplyField& f);
// The reply byte of a field's first character (state characters, digits).
inline uint8_t& ReplyChar(uint8_t* reply, const ReplyField& f) { return reply[2 + f.pos]; }
inline uint8_t ReplyChar(const uint8_t* reply, const ReplyField& f) { return reply[2 + f.pos]; }
// Writes `value` into a payload under construction as the receiver does:
// zero-padded to the width, upper-case hex; a negative decimal keeps its sign.
void PutReplyField(std::string& payload, const ReplyField& f, int64_t value);

// F0, receiver state. The table row reads every field with -1 for unreadable.
namespace F0Field {
inline constexpr ReplyField State{0, 1, 16, -1};
inline constexpr ReplyField Bank{1, 1, 16, -1};
inline constexpr ReplyField Channel{2, 1, 16, -1};
inline constexpr ReplyField Frequency{3, 6, 10, -1};
inline constexpr ReplyField Encryption{9, 1, 10, -1};
inline constexpr ReplyField Code{10, 1, 10, -1};
inline constexpr ReplyField Fbs{11, 1, 10, -1};
inline constexpr ReplyField Eq{12, 1, 10, -1};
} // namespace F0Field

// F1, walk-test quality; F4 repeats positions 0 to 6 with errors set when unreadable.
namespace F1Field {
inline constexpr ReplyField SyncError{0, 1, 10, 0};
inline constexpr ReplyField DataError{1, 1, 10, 0};
inline constexpr ReplyField RfA{2, 2, 10, 0};
inline constexpr ReplyField RfB{4, 2, 10, 0};
inline constexpr ReplyField AfPeak{6, 1, 10, 0};
// The walk graph counts an unreadable error digit as an error.
inline constexpr ReplyField SyncErrorSample{0, 1, 10, 1};
inline constexpr ReplyField DataErrorSample{1, 1, 10, 1};
} // namespace F1Field

namespace F4Field {
inline constexpr ReplyField SyncError{0, 1, 10, 1};
inline constexpr ReplyField DataError{1, 1, 10, 1};
inline constexpr ReplyField RfA = F1Field::RfA;
inline constexpr ReplyField RfB = F1Field::RfB;
inline constexpr ReplyField AfPeak = F1Field::AfPeak;
inline constexpr ReplyField Bank{7, 1, 16, 0};
inline constexpr ReplyField Channel{8, 1, 16, 0};
inline constexpr ReplyField Frequency{9, 6, 10, 0};
inline constexpr ReplyField Extra{15, 1, 10, 0};
} // namespace F4Field

namespace F2Field {
inline constexpr ReplyField Level{0, 2, 10, 0};
inline constexpr ReplyField Frequency{2, 6, 10, 0};
} // namespace F2Field

namespace F3Field {
inline constexpr ReplyField Level{0, 2, 10, 0};
inline constexpr ReplyField Bank{2, 1, 16, -1};
inline constexpr ReplyField Channel{3, 1, 16, -1};
} // namespace F3Field

namespace F5Field {
inline constexpr ReplyField FrequencyBits{0, 8, 16, 0};
inline constexpr ReplyField Gain{8, 4, 10, 0};
inline constexpr ReplyField Second{12, 8, 16, 0};
inline constexpr ReplyField OnOff{20, 1, 10, -1};
} // namespace F5Field

namespace F6Field {
inline constexpr ReplyField Id{0, 8, 16, 0};
}

// V0, V1, V2.
namespace VersionField {
inline constexpr ReplyField Major{0, 3, 10, 0};
inline constexpr ReplyField Minor{3, 3, 10, 0};
inline constexpr ReplyField Revision{6, 3, 10, 0};
inline constexpr ReplyField Build{9, 5, 10, 0};
} // namespace VersionField

namespace M0Field {
inline constexpr ReplyField Model{0, 8, 0, 0};
inline constexpr ReplyField Text{0, 16, 0, 0};
} // namespace M0Field

namespace E1Field {
inline constexpr ReplyField Code{0, 2, 0, 0};
inline constexpr ReplyField Reason{2, 2, 0, 0};
} // namespace E1Field

} // namespace zr
