#pragma once
// Command payloads, reply field reading and the reply decoders.
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "link/Frame.h"

namespace zr {

constexpr char kModelCode[] = "ZR-Q6930";

// Reads up to `width` characters (stopping at a zero byte) as a signed 32-bit
// number in `base`; an empty field, a stray character or an overflow gives `def`.
int32_t ReadField(const uint8_t* chars, int width, int base, int32_t def);

using DataRow = std::array<uint8_t, 16>;

// Each decoder takes the stored reply (code at 0 and 1, payload from 2).
DataRow DecodeF1(const uint8_t* reply);
// One live walk sample of an F1 reply: RF A, RF B, sync error, data error.
std::array<int, 4> WalkSampleOfF1(const uint8_t* reply);
DataRow DecodeF2(const uint8_t* reply);
DataRow DecodeF4(const uint8_t* reply);

enum ReceiverMode : int32_t {
    kModeIdle = 0,
    kModeSpectrumScan = 1,
    kModeChannelScanPc = 2,
    kModeChannelScanRx = 3,
    kModeWalkTest = 4,
    kModeUnavailable = 6,
};
int32_t ReceiverModeFromState(uint8_t stateChar);

CommandDesc MakeCommand(int kind);
CommandDesc MakeC1(uint16_t bank);
CommandDesc MakeS1(int32_t startKhz, int32_t stopKhz, int32_t stepKhz);
CommandDesc MakeF5(int filter);

// Version cell of a V0/V1/V2 reply: "---", "v%d.%d.%d" or, in detail mode, "v%d.%d.%d.%d".
std::string VersionCellText(const uint8_t* reply, bool detail);
// ID cell of an F6 reply: "1234 - ABCD" or " - ".
std::string IdCellText(const uint8_t* reply);
// The FBS Detail cells of one filter's F5 reply: frequency in kHz, gain in dB,
// on/off. A filter that is off shows " - ", " - ", "Off".
struct FbsCells {
    std::string frequency, gain, onOff;
};
FbsCells FbsCellTexts(const uint8_t* f5Reply);
// The filter row to show next: the seven stored filter replies (their on/off
// character cleared when the receiver's FBS setting is 0) against the ones
// last shown. At the first that differs, the cache takes it and its index is
// returned; -1 when nothing changed. One row per poll at most.
int NextChangedFbsFilter(FbsRecords stored, int32_t fbsSetting, FbsRecords& shown);
// The on/off character of a stored F5 reply.
constexpr std::size_t kFbsOnOffByte = 22;

// Band code of an M0 reply: its 16 payload characters trimmed of the model
// code's characters from both ends, then of blanks.
std::string BandCodeFromModel(const uint8_t* reply);
// The spectrum scan's range rules: "" when start, stop and step are valid
// for the band, else "Frequency setting error:\n" and one line per rule broken.
std::string SpectrumRangeErrors(int32_t start, int32_t stop, int32_t step, int32_t lowest, int32_t highest);

// Spectrum band limits in kHz for a band code.
std::pair<int32_t, int32_t> BandLimits(const std::string& bandCode);

} // namespace zr
