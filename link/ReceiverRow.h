#pragma once
// The receiver table's row texts, built from a 15-character state record
// (an F0 reply: code, state, bank, channel, frequency, settings).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zr {

constexpr int kColumnCount = 9;
constexpr std::size_t kStateRecordSize = 15;
using StateRecord = std::array<uint8_t, kStateRecordSize>;
using RowTexts = std::array<std::string, kColumnCount>;

extern const char* const kColumnHeaders[kColumnCount];

RowTexts FormatReceiverRow(const StateRecord& record, int rowIndex);

// A copy of `record` with its state character replaced.
StateRecord WithState(const StateRecord& record, char state);
// The record of an F0 reply as stored: its first kStateRecordSize bytes.
StateRecord StateRecordFromF0(const uint8_t* f0Reply);
// The record the view builds from a background-log (F4) reply: bank, channel
// and frequency from the reply, state '3', everything else empty.
StateRecord StateRecordFromF4(const uint8_t* f4Reply);

// Receiver numbering by bank and channel (state record characters 3 and 4):
// returns, for each record in list order, its position 0..n-1. Equal keys
// keep list order.
std::vector<int> NumberReceivers(const std::vector<StateRecord>& records);

} // namespace zr
