#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "link/Frame.h"

namespace zr {
namespace {

std::vector<uint8_t> Request(const CommandDesc& d, int& length)
{
    uint8_t buf[kRequestBufferSize];
    length = BuildRequest(d, buf);
    return {buf, buf + kRequestBufferSize};
}

TEST(Frame, RequestsAreExactAndPaddedTo32Bytes)
{
    struct Case {
        int kind;
        const char* payload;
        std::vector<uint8_t> frame;
    };
    const Case cases[] = {
        {kF0, "", {0x02, 0x46, 0x30, 0x03, 0x85}},
        {kF5, "3", {0x02, 0x46, 0x35, 0x33, 0x03, 0x4D}},
        {kC1, "0", {0x02, 0x43, 0x31, 0x30, 0x03, 0x57}},
    };
    for (const auto& c : cases) {
        CommandDesc d;
        d.kind = c.kind;
        for (std::size_t i = 0; c.payload[i]; ++i)
            d.payload[i] = static_cast<uint8_t>(c.payload[i]);
        d.payload[20] = 'X'; // beyond the code's payload length: never sent
        int length = 0;
        auto buf = Request(d, length);
        EXPECT_EQ(length, static_cast<int>(c.frame.size()));
        EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + length), c.frame) << KindCode(c.kind);
        for (std::size_t i = c.frame.size(); i < kRequestBufferSize; ++i)
            EXPECT_EQ(buf[i], 0) << i;
    }
}

TEST(Frame, EveryCodeBuildsWithItsTableLengthAndE1NeverDoes)
{
    for (int k = 0; k < kE1; ++k) {
        int length = 0;
        auto buf = Request(CommandDesc{k, {}}, length);
        EXPECT_EQ(length, GetCodeInfo(k).requestFrame) << KindCode(k);
        unsigned sum = 0;
        for (int i = 0; i < length; ++i)
            sum += buf[static_cast<std::size_t>(i)];
        EXPECT_EQ(sum & 0xFF, 0u) << KindCode(k);
        EXPECT_EQ(ClassifyCode(buf[1], buf[2]), k);
    }
    int length = 1;
    Request(CommandDesc{kE1, {}}, length);
    EXPECT_EQ(length, 0);
}

TEST(Frame, ClassificationIsCaseSensitive)
{
    EXPECT_EQ(ClassifyCode('E', '1'), kE1);
    EXPECT_EQ(ClassifyCode('f', '0'), kUnknownKind);
    EXPECT_EQ(ClassifyCode('Z', 'Z'), kUnknownKind);
}

struct FeedResult {
    std::vector<FrameHeader> frames;
    std::vector<std::vector<uint8_t>> bodies;
};

FeedResult Feed(const std::vector<uint8_t>& bytes)
{
    CFrameAssembler a;
    FeedResult r;
    for (uint8_t b : bytes) {
        if (a.Feed(b)) {
            r.frames.push_back(a.Validate());
            r.bodies.emplace_back(a.Buffer(), a.Buffer() + a.Count());
        }
    }
    return r;
}

std::vector<uint8_t> Frame(const std::string& body, int checksumDelta = 0)
{
    std::vector<uint8_t> f(body.size() + 2);
    f.front() = STX;
    std::copy(body.begin(), body.end(), f.begin() + 1);
    f.back() = ETX;
    unsigned sum = 0;
    for (uint8_t b : f)
        sum += b;
    f.push_back(static_cast<uint8_t>((256 - sum % 256) % 256 + checksumDelta));
    return f;
}

TEST(Frame, AssemblerValidatesAndClassifies)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int status;
        int kind;
    };
    const Case cases[] = {
        {"C1 ack", {0x02, 0x43, 0x31, 0x03, 0x87}, 0, kC1},
        {"F0 reply", Frame("F00135741250102"), 0, kF0},
        {"checksum off by one", Frame("F00135741250102", 1), 1, kF0},
        {"F0 with 12 payload characters", Frame("F0013574125010"), 2, kF0},
        {"unknown code", Frame("ZZ12"), 2, kUnknownKind},
        {"E1", Frame("E1F405"), 0, kE1},
    };
    for (const auto& c : cases) {
        auto r = Feed(c.bytes);
        ASSERT_EQ(r.frames.size(), 1u) << c.name;
        EXPECT_EQ(r.frames[0].status, c.status) << c.name;
        EXPECT_EQ(r.frames[0].kind, c.kind) << c.name;
    }
}

TEST(Frame, NoiseSecondStxEarlyEtxAndOverlongFrames)
{
    // Noise and zero bytes between frames are ignored.
    std::vector<uint8_t> bytes{0x00, 0x00, 0x41, 0x03, 0xFF};
    auto f0 = Frame("F00135741250102");
    bytes.insert(bytes.end(), f0.begin(), f0.end());
    bytes.insert(bytes.end(), {0x00, 0x00, 0x00});
    bytes.insert(bytes.end(), f0.begin(), f0.end());
    auto r = Feed(bytes);
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(r.frames[1].status, 0);

    // A second STX restarts the frame: 02 46 02 46 30 ... is one F0 frame.
    std::vector<uint8_t> restart{0x02, 0x46};
    restart.insert(restart.end(), f0.begin(), f0.end());
    r = Feed(restart);
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].kind, kF0);
    EXPECT_EQ(r.frames[0].status, 0);

    // 0x03 inside the payload ends the frame early; the next byte is the checksum.
    std::vector<uint8_t> early{0x02, 'F', '0', '0', 0x03, '1', '3'};
    r = Feed(early);
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.bodies[0], (std::vector<uint8_t>{'F', '0', '0'}));
    EXPECT_NE(r.frames[0].status, 0);

    // Over 255 bytes: the first 255 are kept and the frame fails.
    std::vector<uint8_t> longFrame{0x02};
    longFrame.insert(longFrame.end(), 400, 'A');
    longFrame.insert(longFrame.end(), {0x03, 0x00});
    r = Feed(longFrame);
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.bodies[0].size(), 255u);
    EXPECT_EQ(r.frames[0].status, 2);
}

} // namespace
} // namespace zr
