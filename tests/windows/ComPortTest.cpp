// The Windows serial port against simulated receivers running outside Wine:
// scripts/test-windows links their pseudo-terminals into the Wine prefix as
// COM ports and names them in ZR_WINE_SIM_PORTS (normal;silent;split;hang-up),
// and the simulator appends every byte it is sent to ZR_WINE_SIM_WIRE/rxN.bin.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../TestUtil.h"
#include "../link/LinkMessages.h"
#include "link/LinkEvents.h"
#include "link/Commands.h"
#include "link/Frame.h"
#include "link/ReceiverLink.h"
#include "platform/SerialDiscovery.h"

// Last: it defines WM_APP as a macro, which the link names as a constant.
#include <windows.h>

namespace zr::test {
namespace {

enum SimRole { kNormal, kSilent, kSplit, kHangUp, kRoleCount };

struct SimulatedPort {
    std::string port;     // COM5
    std::string wireFile; // what the receiver was sent
};

bool FindSimulatedPort(SimRole role, SimulatedPort& out)
{
    const char* ports = std::getenv("ZR_WINE_SIM_PORTS");
    const char* wire = std::getenv("ZR_WINE_SIM_WIRE");
    if (!ports || !wire)
        return false;
    const std::vector<std::string> list = SplitPortList(ports, ';');
    if (list.size() != kRoleCount)
        return false;
    out.port = list[role];
    out.wireFile = std::string(wire) + "\\rx" + std::to_string(role + 1) + ".bin";
    return true;
}

// Each 32-byte block on the wire, as its two-character code.
std::vector<std::string> CodesOnTheWire(const std::string& bytes)
{
    std::vector<std::string> codes;
    for (std::size_t i = 0; i + kRequestBufferSize <= bytes.size(); i += kRequestBufferSize)
        codes.push_back(bytes.substr(i + 1, 2));
    return codes;
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

bool RunsUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class ComPort : public LinkMessages {
protected:
    void Use(SimRole role)
    {
        if (!FindSimulatedPort(role, m_sim))
            GTEST_SKIP() << "no simulated receivers: run scripts/test-windows";
    }
    int Open()
    {
        m_link = std::make_unique<CReceiverLink>(&m_queue);
        return m_link->Open(m_sim.port, SerialSettings{});
    }
    std::string Wire() const { return Slurp(m_sim.wireFile); }
    // Closes the link and waits for its reader to end; how long that took.
    std::chrono::steady_clock::duration CloseAndJoin()
    {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(m_link->Close(), 0);
        Expect(LinkEventType::LinkClosed, std::chrono::seconds(5));
        m_link->JoinReadThread();
        const auto took = std::chrono::steady_clock::now() - start;
        m_link.reset();
        return took;
    }
    void TearDown() override
    {
        if (m_link && m_link->Close() == 0)
            Expect(LinkEventType::LinkClosed);
        m_link.reset();
    }

    SimulatedPort m_sim;
};

TEST_F(ComPort, OpenIsExclusiveAndAnswersItsResultCodes)
{
    Use(kNormal);
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(m_link->Open(m_sim.port, SerialSettings{}), 2);
    // Opened without sharing: one user at a time. Wine does not hold serial
    // devices to their sharing mode, so only Windows itself can show it.
    if (!RunsUnderWine()) {
        CReceiverLink second(&m_queue);
        EXPECT_EQ(second.Open(m_sim.port, SerialSettings{}), 1);
        EXPECT_NE(second.LastError(), "cannot open: ");
    }
    CReceiverLink missing(&m_queue);
    EXPECT_EQ(missing.Open("COM199", SerialSettings{}), 1);
    CTempDir dir;
    std::ofstream(dir.File("not-a-port")) << "x";
    CReceiverLink file(&m_queue);
    EXPECT_EQ(file.Open(dir.File("not-a-port"), SerialSettings{}), 1);
    EXPECT_EQ(m_link->Close(), 0);
    Expect(LinkEventType::LinkClosed);
    EXPECT_EQ(m_link->Close(), 2);
}

TEST_F(ComPort, EveryRequestIsA32ByteBlockOnTheWire)
{
    Use(kNormal);
    ASSERT_EQ(Open(), 0);
    const std::size_t before = Wire().size();
    EXPECT_EQ(m_link->SendRequest(MakeF5(3)), 0);
    ASSERT_TRUE(WaitUntil([&] { return Wire().size() >= before + kRequestBufferSize; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // nothing more follows
    const std::string wire = Wire().substr(before);
    ASSERT_EQ(wire.size(), static_cast<std::size_t>(kRequestBufferSize));
    uint8_t expected[kRequestBufferSize] = {};
    const int length = BuildRequest(MakeF5(3), expected);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(wire, std::string(reinterpret_cast<const char*>(expected), kRequestBufferSize));
}

TEST_F(ComPort, ARepliesSplitIntoPiecesAreAssembled)
{
    Use(kSplit);
    ASSERT_EQ(Open(), 0);
    const std::size_t before = Wire().size();
    EXPECT_EQ(Identify(), 0);
    EXPECT_EQ(m_link->Identified.load(), 1);
    EXPECT_EQ(VersionCellText(m_link->Reply(kV0).data(), true), "v1.2.3.45");
    EXPECT_EQ(CodesOnTheWire(Wire().substr(before)), (std::vector<std::string>{"M0", "F0", "V0", "V1", "V2"}));
}

TEST_F(ComPort, ASilentReceiverIsAskedThreeTimesAndTimesOut)
{
    Use(kSilent);
    ASSERT_EQ(Open(), 0);
    const std::size_t before = Wire().size();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Identify(), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290)); // three waits of 100 ms
    EXPECT_EQ(m_link->Identified.load(), 0);
    EXPECT_EQ(CodesOnTheWire(Wire().substr(before)), (std::vector<std::string>{"M0", "M0", "M0"}));
}

// The simulator closes its side on the second request, as a pulled cable does.
TEST_F(ComPort, AHangUpFailsTheTransactionWithoutSpinningAndCloseStillEndsTheLink)
{
    Use(kHangUp);
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(Identify(), 1); // M0 answered, F0 never
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LT(ProcessCpuSeconds() - before, 0.2); // the reader is not spinning on the dead line
    EXPECT_EQ(m_link->SendRequest(MakeCommand(kF0)), 1); // nothing can be written to a line that is gone
    EXPECT_LT(CloseAndJoin(), std::chrono::seconds(1));
}

TEST_F(ComPort, CloseEndsABlockedReadAtOnce)
{
    Use(kNormal);
    ASSERT_EQ(Open(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the reader waits for bytes
    EXPECT_LT(CloseAndJoin(), std::chrono::milliseconds(500));
}

} // namespace
} // namespace zr::test
