#include "link/Commands.h"

#include "link/ReplyFields.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zr {

int32_t ReadField(const uint8_t* chars, int width, int base, int32_t def)
{
    char buf[16] = {};
    int n = 0;
    for (; n < width && n < 15 && chars[n] != 0; ++n)
        buf[n] = static_cast<char>(chars[n]);
    if (n == 0)
        return def;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(buf, &end, base);
    if (errno != 0 || end != buf + n || v < INT32_MIN || v > INT32_MAX)
        return def;
    return static_cast<int32_t>(v);
}

namespace {

// F1 and F4 share positions 0 to 6; they differ only in the error defaults.
uint8_t QualityFlags(const uint8_t* reply, const ReplyField& syncError, const ReplyField& dataError)
{
    uint8_t flags = 0;
    if (ReadReplyField(reply, F1Field::AfPeak) != 0)
        flags |= 0x20;
    if (ReadReplyField(reply, syncError) != 0)
        flags |= 0x40;
    if (ReadReplyField(reply, dataError) != 0)
        flags |= 0x80;
    return flags;
}

void FillLevels(DataRow& row, const uint8_t* reply)
{
    row[6] = static_cast<uint8_t>(ReadReplyField(reply, F1Field::RfB));
    row[7] = static_cast<uint8_t>(ReadReplyField(reply, F1Field::RfA));
}

} // namespace

DataRow DecodeF1(const uint8_t* reply)
{
    DataRow row{};
    row[2] = QualityFlags(reply, F1Field::SyncError, F1Field::DataError);
    FillLevels(row, reply);
    return row;
}

std::array<int, 4> WalkSampleOfF1(const uint8_t* reply)
{
    return {ReadReplyField(reply, F1Field::RfA), ReadReplyField(reply, F1Field::RfB), ReadReplyField(reply, F1Field::SyncErrorSample),
            ReadReplyField(reply, F1Field::DataErrorSample)};
}

DataRow DecodeF2(const uint8_t* reply)
{
    DataRow row{};
    const auto level = static_cast<uint8_t>(ReadReplyField(reply, F2Field::Level));
    const auto step = static_cast<uint16_t>(ReadReplyField(reply, F2Field::Frequency) / 25);
    row[0] = static_cast<uint8_t>(step & 0xFF);
    row[1] = static_cast<uint8_t>(step >> 8);
    row[6] = level;
    row[7] = level;
    return row;
}

DataRow DecodeF4(const uint8_t* reply)
{
    DataRow row{};
    row[2] = QualityFlags(reply, F4Field::SyncError, F4Field::DataError);
    FillLevels(row, reply);
    const int32_t bank = ReadReplyField(reply, F4Field::Bank);
    const int32_t channel = ReadReplyField(reply, F4Field::Channel);
    row[10] = static_cast<uint8_t>(((bank & 0x0F) << 4) | (channel & 0x0F));
    row[11] = static_cast<uint8_t>((ReadReplyField(reply, F4Field::Extra) & 0x03) << 2);
    const auto freq = static_cast<uint32_t>(ReadReplyField(reply, F4Field::Frequency));
    row[14] = static_cast<uint8_t>(freq & 0xFF);
    row[15] = static_cast<uint8_t>((freq >> 8) & 0xFF);
    return row;
}

int32_t ReceiverModeFromState(uint8_t stateChar)
{
    switch (stateChar) {
    case '0': return kModeIdle;
    case '7': return kModeSpectrumScan;
    case '6': return kModeChannelScanPc;
    case '5': return kModeChannelScanRx;
    case '2': return kModeWalkTest;
    case '1': case '3': case '4': case '8': case '9': return kModeUnavailable;
    default: return kModeIdle;
    }
}

CommandDesc MakeCommand(int kind)
{
    CommandDesc d;
    d.kind = kind;
    return d;
}

namespace {

// A one-character payload: the first character of the value formatted "%X".
CommandDesc WithHexCharacter(int kind, unsigned value)
{
    CommandDesc d = MakeCommand(kind);
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    d.payload[0] = static_cast<uint8_t>(text[0]);
    return d;
}

} // namespace

CommandDesc MakeC1(uint16_t bank)
{
    return WithHexCharacter(kC1, bank);
}

CommandDesc MakeS1(int32_t startKhz, int32_t stopKhz, int32_t stepKhz)
{
    CommandDesc d = MakeCommand(kS1);
    char text[48];
    std::snprintf(text, sizeof text, "%06d%06d%03d", startKhz, stopKhz, stepKhz);
    std::memcpy(d.payload.data(), text, std::min(std::strlen(text), kPayloadArea));
    return d;
}

CommandDesc MakeF5(int filter)
{
    return WithHexCharacter(kF5, static_cast<unsigned>(filter));
}

std::string VersionCellText(const uint8_t* reply, bool detail)
{
    const int32_t major = ReadReplyField(reply, VersionField::Major);
    const int32_t minor = ReadReplyField(reply, VersionField::Minor);
    const int32_t revision = ReadReplyField(reply, VersionField::Revision);
    const int32_t build = ReadReplyField(reply, VersionField::Build);
    if (major == 0)
        return "---";
    char text[64];
    if (detail)
        std::snprintf(text, sizeof text, "v%d.%d.%d.%d", major, minor, revision, build);
    else
        std::snprintf(text, sizeof text, "v%d.%d.%d", major, minor, revision);
    return text;
}

std::string IdCellText(const uint8_t* reply)
{
    const int32_t id = ReadReplyField(reply, F6Field::Id);
    if (id == 0)
        return " - ";
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<uint32_t>(id));
    return std::string(text, 4) + " - " + std::string(text + 4);
}

FbsCells FbsCellTexts(const uint8_t* reply)
{
    const int32_t onOff = ReadReplyField(reply, F5Field::OnOff);
    float hz = 0.0f;
    int32_t gain = 1;
    if (onOff == 1) {
        const auto bits = static_cast<uint32_t>(ReadReplyField(reply, F5Field::FrequencyBits));
        std::memcpy(&hz, &bits, sizeof hz);
        gain = ReadReplyField(reply, F5Field::Gain);
        (void)ReadReplyField(reply, F5Field::Second); // read, never shown
    }
    FbsCells cells;
    char text[32];
    if (hz >= 20.0f && hz <= 20000.0f) {
        std::snprintf(text, sizeof text, "%.03f", static_cast<double>(hz / 1000.0f));
        cells.frequency = text;
    } else {
        cells.frequency = " - ";
    }
    cells.gain = gain >= -150 && gain <= 0 ? std::to_string(gain / 10) : " - ";
    // A cleared on/off byte is how a filter is turned off when the receiver's
    // FBS is off: it reads as off, not as unreadable.
    const bool cleared = reply[kFbsOnOffByte] == 0;
    cells.onOff = onOff == 1 ? "On" : onOff == 0 || cleared ? "Off" : " - ";
    return cells;
}

int NextChangedFbsFilter(FbsRecords stored, int32_t fbsSetting, FbsRecords& shown)
{
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (fbsSetting == 0)
            stored[i][kFbsOnOffByte] = 0; // the receiver's FBS is off: so is every filter
        if (stored[i] != shown[i]) {
            shown[i] = stored[i];
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string BandCodeFromModel(const uint8_t* reply)
{
    // Read as a C string: a zero byte ends the text.
    const std::string text = ReplyFieldText(reply, M0Field::Text);
    auto inModel = [](char c) { return std::strchr(kModelCode, c) != nullptr; };
    std::size_t b = 0, e = text.size();
    while (b < e && inModel(text[b]))
        ++b;
    while (e > b && inModel(text[e - 1]))
        --e;
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    return text.substr(b, e - b);
}

std::string SpectrumRangeErrors(int32_t start, int32_t stop, int32_t step, int32_t lowest, int32_t highest)
{
    auto mhz = [](int32_t khz) {
        char text[32];
        std::snprintf(text, sizeof text, "%03.03f", khz / 1000.0);
        return std::string(text);
    };
    std::string lines;
    if (start < lowest || stop < lowest)
        lines += "The value must be " + mhz(lowest) + "MHz and over.\n";
    if (start > highest || stop > highest)
        lines += "The value must be " + mhz(highest) + "MHz and under.\n";
    if (start >= stop)
        lines += "Stop Frequency must be more than Start Frequency.\n";
    if (step != 0 && start % step != 0)
        lines += "The value must be a multiple of Step Frequency.\n";
    if (step != 0 && stop % step != 0)
        lines += "The value must be a multiple of Step Frequency.\n";
    return lines.empty() ? std::string() : "Frequency setting error:\n" + lines;
}

std::pair<int32_t, int32_t> BandLimits(const std::string& bandCode)
{
    if (bandCode == "C4")
        return {794000, 806000};
    if (bandCode == "C7")
        return {798000, 832000};
    if (bandCode == "G1")
        return {606000, 636000};
    if (bandCode == "H1")
        return {576000, 606000};
    return {990000, 999000};
}

} // namespace zr
