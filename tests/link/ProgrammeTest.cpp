#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "link/Commands.h"
#include "link/LinkEventQueue.h"
#include "link/PollProgramme.h"
#include "link/ReceiverLink.h"
#include "link/ReplyFields.h"

namespace zr {
namespace {

// What the simulator writes, the tool reads back: every field's position,
// width and base are shared, so a value survives the trip.
TEST(ReplyFields, WrittenFieldsReadBackAtTheirPositions)
{
    struct Case {
        ReplyField field;
        int64_t value;
        const char* text; // the payload as written
    };
    const Case cases[] = {
        {F0Field::Frequency, 574075, "000574075"}, {F0Field::Bank, 0xB, "0B"},          {F4Field::Frequency, 806125, "000000000806125"},
        {F5Field::Gain, -120, "00000000-120"},      {F5Field::Gain, 50, "000000000050"}, {F6Field::Id, 0x1234ABCD, "1234ABCD"},
        {VersionField::Build, 45, "00000000000045"},
    };
    for (const auto& c : cases) {
        std::string payload;
        PutReplyField(payload, c.field, c.value);
        EXPECT_EQ(payload, c.text);
        ReplySlot reply{};
        std::memcpy(reply.data() + 2, payload.data(), payload.size());
        EXPECT_EQ(ReadReplyField(reply.data(), c.field), c.value) << c.text;
    }
}

TEST(ReplyFields, UnreadableFieldsTakeTheirDefaults)
{
    ReplySlot f4{};
    std::memcpy(f4.data(), "F4XY3456ZGG574075Q", 18);
    EXPECT_EQ(ReadReplyField(f4.data(), F4Field::SyncError), 1); // errors count as errors
    EXPECT_EQ(ReadReplyField(f4.data(), F1Field::SyncError), 0);
    EXPECT_EQ(ReadReplyField(f4.data(), F4Field::Bank), 0);
    EXPECT_EQ(ReadReplyField(f4.data(), F4Field::Frequency), 574075);
    EXPECT_EQ(ReadReplyField(f4.data(), F4Field::Channel, -5), -5);
    EXPECT_EQ(ReadReplyField(f4.data(), F0Field::Frequency), -1); // "456ZGG" is not a number
    EXPECT_EQ(ReplyFieldText(f4.data(), E1Field::Code), "XY");
}

// A programme replaces whatever the one before left: the default command and
// the send ring together.
TEST(PollProgrammes, EachSwitchSetsCommandAndRingTogether)
{
    CLinkEventQueue owner;
    CReceiverLink link(&owner);
    struct Step {
        const PollProgramme& programme;
        int command;
        std::vector<int> ring;
    };
    // The pool is topped up to four with nothing to send.
    const std::vector<int> idRing{kF0, kF6, kUnknownKind, kUnknownKind, kUnknownKind};
    const std::vector<int> fbsRing{kF0, kF5, kF5, kF5, kF5};
    const Step steps[] = {
        {kProgrammeIdView, kF0, idRing},       {kProgrammeBackgroundLog, kF4, {}}, {kProgrammeFbs, kF0, fbsRing},
        {kProgrammeWalk, kF1, {}},             {kProgrammeIdView, kF0, idRing},    {kProgrammeIdle, kF0, {}},
        {kProgrammeSpectrumScan, kF2, {}},     {kProgrammeChannelScan, kF3, {}},   {kProgrammeStopped, kF0, {}},
    };
    for (const auto& s : steps) {
        ApplyPollProgramme(link, s.programme);
        EXPECT_EQ(link.PollCommand().kind, s.command) << s.programme.name;
        EXPECT_EQ(link.SendRingKinds(), s.ring) << s.programme.name;
    }
}

// One F5 reply: frequency bits, gain, second field, on/off, unused.
ReplySlot F5(const char* freqBits, const char* gain, char onOff)
{
    ReplySlot r{};
    const std::string text = std::string("F5") + freqBits + gain + "3F000000" + onOff + "0";
    std::memcpy(r.data(), text.data(), text.size());
    return r;
}

TEST(FbsFilters, CellsFollowTheDisplayRules)
{
    struct Case {
        const char *freq, *gain;
        char onOff;
        const char *kHz, *dB, *state;
    };
    const Case cases[] = {
        {"449C4000", "-120", '1', "1.250", "-12", "On"},  // 1250.0 Hz
        {"419F3333", "-005", '1', " - ", "0", "On"},      // 19.9 Hz; -0.5 dB truncates to 0
        {"469C4100", "-150", '1', " - ", "-15", "On"},    // 20000.5 Hz
        {"41A00000", "-151", '1', "0.020", " - ", "On"},  // 20.0 Hz
        {"469C4000", "0001", '1', "20.000", " - ", "On"}, // 20000.0 Hz; gain above 0
        {"449C4000", "-120", '0', " - ", " - ", "Off"},   // off: nothing else counts
        {"449C4000", "-120", 'x', " - ", " - ", " - "},
        {"FFFFFFFF", "abcd", '1', " - ", "0", "On"},      // unreadable fields
    };
    for (const auto& c : cases) {
        const FbsCells cells = FbsCellTexts(F5(c.freq, c.gain, c.onOff).data());
        EXPECT_EQ(cells.frequency, c.kHz) << c.freq;
        EXPECT_EQ(cells.gain, c.dB) << c.gain;
        EXPECT_EQ(cells.onOff, c.state) << c.onOff;
    }
}

TEST(FbsFilters, OneChangedFilterPerPollAndFbsOffTurnsEveryFilterOff)
{
    FbsRecords stored{}, shown{};
    for (auto& r : stored)
        r = F5("449C4000", "-120", '1');
    for (int i = 0; i < kFbsFilterCount; ++i)
        EXPECT_EQ(NextChangedFbsFilter(stored, 1, shown), i); // every row fills in, one per poll
    EXPECT_EQ(NextChangedFbsFilter(stored, 1, shown), -1);  // a repeat changes nothing
    stored[4] = F5("44FA0000", "-030", '1');
    stored[1] = F5("44FA0000", "-030", '0');
    EXPECT_EQ(NextChangedFbsFilter(stored, 1, shown), 1); // filter 2 on this poll ...
    EXPECT_EQ(NextChangedFbsFilter(stored, 1, shown), 4); // ... filter 5 on the next
    EXPECT_EQ(NextChangedFbsFilter(stored, 1, shown), -1);
    // The receiver's FBS switched off: every filter shows off, one per poll.
    int changed = 0;
    while (NextChangedFbsFilter(stored, 0, shown) >= 0)
        ++changed;
    EXPECT_EQ(changed, kFbsFilterCount); // filter 2's "off" character is cleared too
    for (const auto& r : shown)
        EXPECT_EQ(FbsCellTexts(r.data()).onOff, "Off"); // on/off character cleared: off, not unreadable
}

} // namespace
} // namespace zr
