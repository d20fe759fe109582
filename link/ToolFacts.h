#pragma once
// What the window and the command line both know of the tools: the bank
// list of a channel scan, and the texts the user reads from either.
#include <array>

namespace zr {

// The bank list of a channel scan, in the order the window lists it.
struct ScanBank {
    const char* name; // "1".."4", "A".."F"
    int code;         // the bank code C1 carries
};
inline constexpr std::array<ScanBank, 10> kScanBanks{{{"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"A", 10}, {"B", 11}, {"C", 12}, {"D", 13}, {"E", 14}, {"F", 15}}};
// The code of list item `index`, or -1.
inline int BankCodeOfIndex(int index)
{
    return index >= 0 && index < static_cast<int>(kScanBanks.size()) ? kScanBanks[static_cast<std::size_t>(index)].code : -1;
}

inline constexpr char kNoReceiverText[] = "No receiver connected.";
inline constexpr char kToolBusyText[] = "This function is not available during scanning or walk testing.";
inline constexpr char kCannotStartScanningText[] = "Cannot start scanning.";
inline constexpr char kRecordingStoppedText[] = "Background Log recording was stopped.";
inline constexpr char kRecordingTimeLimitText[] = "Time Limit Exceeded. Background Log was stopped. (8 hours)";

} // namespace zr
