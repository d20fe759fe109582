#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LinkFixture.h"
#include "sim/Simulator.h"

namespace zr::test {
namespace {

using Identification = LinkFixture;

std::vector<std::string> Codes(const sim::CSimReceiver& s)
{
    std::vector<std::string> codes;
    for (const auto& r : s.RequestLog())
        codes.push_back(r.substr(0, 2));
    return codes;
}

using Seq = std::vector<std::string>;

TEST_F(Identification, HealthyReceiverAnswersModelStateAndVersions)
{
    StartLink();
    EXPECT_EQ(Identify(), 0);
    EXPECT_EQ(m_link->Identified.load(), 1);
    EXPECT_EQ(Codes(*m_sim), (Seq{"M0", "F0", "V0", "V1", "V2"}));
    EXPECT_EQ(VersionCellText(m_link->Reply(kV0).data(), true), "v1.2.3.45");
    EXPECT_EQ(BandCodeFromModel(m_link->Reply(kM0).data()), "G1");
}

struct FaultCase {
    const char* name;
    const char* faults;
    intptr_t result;
    int identified;
    Seq requests;
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class IdentifyFaults : public LinkFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(IdentifyFaults, SequenceAndOutcome)
{
    const FaultCase& c = GetParam();
    sim::SimReceiverConfig cfg = sim::DefaultConfig(0);
    std::string error;
    ASSERT_TRUE(sim::ParseFaults(c.faults, cfg, error)) << error;
    StartLink(cfg);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Identify(), c.result);
    EXPECT_EQ(m_link->Identified.load(), c.identified);
    EXPECT_EQ(Codes(*m_sim), c.requests);
    if (std::string(c.name) == "silent") { // three attempts of 100 ms each
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    }
}

const Seq kFull{"M0", "F0", "V0", "V1", "V2"};

INSTANTIATE_TEST_SUITE_P(
    Link, IdentifyFaults,
    ::testing::Values(FaultCase{"silent", "silent", 1, 0, {"M0", "M0", "M0"}},
                      FaultCase{"wrong_model", "wrong-model", 1, 0, {"M0", "M0", "M0"}},
                      FaultCase{"corrupt_checksums", "corrupt", 1, 0, {"M0", "M0", "M0"}},
                      FaultCase{"noise_between_frames", "noise", 0, 1, kFull},
                      FaultCase{"frames_in_one_byte_writes", "split=1", 0, 1, kFull},
                      FaultCase{"frames_in_three_byte_writes", "split=3", 0, 1, kFull},
                      FaultCase{"spectrum_scan_running", "state=7", 0, 1, {"M0", "F0", "S0", "F0", "V0", "V1", "V2"}},
                      FaultCase{"channel_scan_running", "state=6", 0, 1, {"M0", "F0", "C0", "F0", "V0", "V1", "V2"}},
                      FaultCase{"starting_up", "state=4", 1, 0, {"M0", "F0"}},
                      FaultCase{"state_A", "state=A", 1, 0, {"M0", "F0"}},
                      FaultCase{"model_rejected", "reject=M0:0", 1, 0, {"M0"}},
                      FaultCase{"model_rejected_retry_reason", "reject=M0:8", 1, 0, {"M0", "M0", "M0"}},
                      FaultCase{"model_rejected_retry_reason_4", "reject=M0:4", 1, 0, {"M0", "M0", "M0"}},
                      // The reason's two characters; only the second one counts.
                      FaultCase{"model_rejected_two_character_retry_reason", "reject=M0:08", 1, 0, {"M0", "M0", "M0"}},
                      FaultCase{"model_rejected_reason_80", "reject=M0:80", 1, 0, {"M0"}},
                      FaultCase{"status_rejected", "reject=F0:3", 1, 0, {"M0", "F0"}},
                      FaultCase{"fpga_version_rejected", "reject=V2:1", 1, 1, kFull},
                      FaultCase{"dsp_version_rejected", "reject=V1:1", 0, 1, kFull},
                      FaultCase{"hangs_up_during_identification", "hangup=2", 1, 0, {"M0", "F0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Identification, AReceiverThatNeverLeavesItsScanIsRefused)
{
    sim::SimReceiverConfig cfg = sim::DefaultConfig(0);
    cfg.state = '6';
    cfg.scanStopsIgnored = 1000;
    StartLink(cfg);
    EXPECT_EQ(Identify(), 1);
    EXPECT_EQ(m_sim->RequestCount("V0"), 0);
    EXPECT_GE(m_sim->RequestCount("C0"), 2);
}

TEST_F(Identification, CloseDuringIdentificationAbortsIt)
{
    sim::SimReceiverConfig cfg = sim::DefaultConfig(0);
    cfg.faults.silent = true;
    StartLink(cfg);
    m_link->StartIdentification();
    EXPECT_EQ(m_link->Close(), 0); // only aborts; the port stays open
    EXPECT_TRUE(m_link->IsOpen());
    LinkEvent m = Expect(LinkEventType::IdentifyDone);
    EXPECT_FALSE(m.ok); // not identified
    m_link->JoinIdentification();
    EXPECT_LE(m_sim->RequestCount("M0"), 2);
    EXPECT_EQ(m_link->Close(), 0);
    Expect(LinkEventType::LinkClosed);
}

TEST(IdentifyMany, SixteenReceiversIdentifyInParallel)
{
    sim::CSimulator sim;
    ASSERT_TRUE(sim.Start(16));
    CLinkEventQueue queue;
    std::vector<std::unique_ptr<CReceiverLink>> links;
    for (const auto& path : sim.PortPaths()) {
        links.push_back(std::make_unique<CReceiverLink>(&queue));
        ASSERT_EQ(links.back()->Open(path, SerialSettings{}), 0);
        links.back()->StartIdentification();
    }
    int ok = 0;
    for (int i = 0; i < 16; ++i) {
        auto m = queue.WaitFor([](const LinkEvent& a) { return a.type == LinkEventType::IdentifyDone; }, std::chrono::seconds(10));
        ASSERT_TRUE(m);
        ok += m->ok;
    }
    EXPECT_EQ(ok, 16);
    links.clear();
    sim.Stop();
}

} // namespace
} // namespace zr::test
