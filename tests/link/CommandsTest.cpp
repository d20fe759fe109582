#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "link/Commands.h"

namespace zr {
namespace {

// A stored reply: code and payload as text, zero-filled slot after it.
ReplySlot Reply(const std::string& text)
{
    ReplySlot s{};
    std::memcpy(s.data(), text.data(), std::min(text.size(), s.size()));
    return s;
}

TEST(Commands, ReadFieldAcceptsOnlyWholeNumbersInRange)
{
    struct Case {
        const char* chars;
        int width, base;
        int32_t expected;
    };
    const Case cases[] = {
        {"574075", 6, 10, 574075}, {"57a075", 6, 10, -7},  {"", 6, 10, -7},          {"A", 1, 16, 10},        {"G", 1, 16, -7},
        {"-120", 4, 10, -120},     {"7FFFFFFF", 8, 16, 0x7FFFFFFF}, {"80000000", 8, 16, -7}, {"FFFFFFFF", 8, 16, -7},
        {"12345", 2, 10, 12},      // only the field's width is read
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadField(reinterpret_cast<const uint8_t*>(c.chars), c.width, c.base, -7), c.expected) << c.chars;
}

TEST(Commands, DecodersFillTheirRowBytes)
{
    DataRow f1 = DecodeF1(Reply("F10134561").data());
    EXPECT_EQ(f1[2], 0x80 | 0x20);
    EXPECT_EQ(f1[7], 34);
    EXPECT_EQ(f1[6], 56);

    // Unreadable flag digits: set in F4, clear in F1.
    EXPECT_EQ(DecodeF4(Reply("F4xy34560130574075").data())[2], 0xC0);
    EXPECT_EQ(DecodeF1(Reply("F1xy34560").data())[2], 0x00);

    DataRow f2 = DecodeF2(Reply("F245574075").data());
    EXPECT_EQ(f2[6], 45);
    EXPECT_EQ(f2[7], 45);
    EXPECT_EQ(f2[0] | (f2[1] << 8), 22963);
    DataRow f2b = DecodeF2(Reply("F245574080").data());
    EXPECT_EQ(f2b[0] | (f2b[1] << 8), 22963);

    DataRow f4 = DecodeF4(Reply("F40034560FA5740753").data());
    EXPECT_EQ(f4[10], 0xFA);
    EXPECT_EQ(f4[14], 0x7B);
    EXPECT_EQ(f4[15], 0xC2);
    EXPECT_EQ(f4[11], 3 << 2);
    EXPECT_EQ(f4[7], 34);
    EXPECT_EQ(f4[6], 56);
    for (int i : {0, 1, 3, 4, 5, 8, 9, 12, 13})
        EXPECT_EQ(f4[static_cast<std::size_t>(i)], 0) << i;
}

TEST(Commands, F5FilterFieldIsAnIeeeSingle)
{
    ReplySlot r = Reply("F5449C4000-1203F0000001x");
    const auto bits = static_cast<uint32_t>(ReadField(r.data() + 2, 8, 16, 0));
    float hz;
    std::memcpy(&hz, &bits, 4);
    EXPECT_FLOAT_EQ(hz, 1250.0f);
    EXPECT_EQ(ReadField(r.data() + 10, 4, 10, 0), -120);
}

TEST(Commands, RequestPayloads)
{
    EXPECT_EQ(MakeC1(0).payload[0], '0');
    EXPECT_EQ(MakeC1(15).payload[0], 'F');
    CommandDesc s1 = MakeS1(574000, 606000, 25);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s1.payload.data()), 15), "574000606000025");
    EXPECT_EQ(MakeF5(7).payload[0], '7');
}

TEST(Commands, ReceiverModeFromStateCharacter)
{
    const std::pair<char, int32_t> cases[] = {{'0', 0}, {'7', 1}, {'6', 2}, {'5', 3}, {'2', 4}, {'1', 6}, {'3', 6}, {'4', 6}, {'8', 6}, {'9', 6}, {'A', 0}};
    for (auto [c, mode] : cases)
        EXPECT_EQ(ReceiverModeFromState(static_cast<uint8_t>(c)), mode) << c;
}

TEST(Commands, VersionAndIdCells)
{
    EXPECT_EQ(VersionCellText(Reply("V000100200300045").data(), false), "v1.2.3");
    EXPECT_EQ(VersionCellText(Reply("V000100200300045").data(), true), "v1.2.3.45");
    EXPECT_EQ(VersionCellText(Reply("V000000200300045").data(), true), "---");
    EXPECT_EQ(IdCellText(Reply("F60000BEEF").data()), "0000 - BEEF");
    EXPECT_EQ(IdCellText(Reply("F61234ABCD").data()), "1234 - ABCD");
    EXPECT_EQ(IdCellText(Reply("F600000000").data()), " - ");
    EXPECT_EQ(IdCellText(Reply("F69ABCDEF0").data()), " - ");
    EXPECT_EQ(IdCellText(Reply("F6FFFFFFFF").data()), " - ");
}

TEST(Commands, BandCodeAndLimits)
{
    EXPECT_EQ(BandCodeFromModel(Reply("M0ZR-Q6930 G1     ").data()), "G1");
    EXPECT_EQ(BandCodeFromModel(Reply("M0ZR-Q6930C4").data()), "C4");
    EXPECT_EQ(BandCodeFromModel(Reply("M0ZR-Q6930  H1 30").data()), "H1");
    EXPECT_EQ(BandLimits("G1"), (std::pair<int32_t, int32_t>{606000, 636000}));
    EXPECT_EQ(BandLimits("H1"), (std::pair<int32_t, int32_t>{576000, 606000}));
    EXPECT_EQ(BandLimits("C4"), (std::pair<int32_t, int32_t>{794000, 806000}));
    EXPECT_EQ(BandLimits("C7"), (std::pair<int32_t, int32_t>{798000, 832000}));
    EXPECT_EQ(BandLimits("X9"), (std::pair<int32_t, int32_t>{990000, 999000}));
}

} // namespace
} // namespace zr
