#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "../TestUtil.h"
#include "link/UsbSerialFtdi.h"
#include "platform/Event.h"

namespace zr {
namespace {

TEST(Event, AutoAndManualResetAndLowestIndexFirst)
{
    CEvent autoEv, manualEv(true);
    CEvent* both[] = {&autoEv, &manualEv};
    EXPECT_EQ(WaitForAny(both, 2, 0), kWaitTimeout);
    manualEv.Set();
    autoEv.Set();
    EXPECT_EQ(WaitForAny(both, 2, 0), 0); // lowest index wins
    EXPECT_EQ(WaitForAny(both, 2, 0), 1); // auto-reset one was consumed
    EXPECT_EQ(WaitForAny(both, 2, 0), 1); // manual-reset stays set
    manualEv.Reset();
    EXPECT_EQ(WaitForAny(both, 2, 20), kWaitTimeout);
}

TEST(Event, SetFromAnotherThreadWakesAnInfiniteWait)
{
    CEvent a, b;
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        b.Set();
    });
    CEvent* both[] = {&a, &b};
    EXPECT_EQ(WaitForAny(both, 2, kInfinite), 1);
    t.join();
    EXPECT_FALSE(b.IsSet());
}

void WriteFile(const std::filesystem::path& p, const std::string& text)
{
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p) << text << "\n";
}

// A sysfs tree: ttyUSB* ports under USB devices, and a built-in ttyS0.
TEST(Discovery, ListsOnlyExactFtdiAdaptersPlusListedPorts)
{
    test::CTempDir dir;
    namespace fs = std::filesystem;
    const fs::path sys = dir.Path();
    auto addPort = [&](const std::string& tty, const std::string& usbDev, const std::string& mfg, const std::string& product) {
        const fs::path dev = sys / "devices/pci0/usb1" / usbDev;
        const fs::path iface = dev / (usbDev + ":1.0") / tty;
        fs::create_directories(iface);
        WriteFile(dev / "idVendor", "0403");
        WriteFile(dev / "manufacturer", mfg);
        WriteFile(dev / "product", product);
        fs::create_directories(sys / "class/tty" / tty);
        fs::create_directory_symlink(iface, sys / "class/tty" / tty / "device");
    };
    addPort("ttyUSB10", "1-3", "FTDI", "FT232R USB UART");
    addPort("ttyUSB2", "1-1", "FTDI", std::string(200, 'P'));
    addPort("ttyUSB1", "1-2", "Prolific", "USB-Serial");
    addPort("ttyUSB3", "1-4", "ftdi", "lower case");
    fs::create_directories(sys / "devices/platform/serial8250/ttyS0");
    fs::create_directories(sys / "class/tty/ttyS0");
    fs::create_directory_symlink(sys / "devices/platform/serial8250/ttyS0", sys / "class/tty/ttyS0/device");

    CUSBSerialFTDI::DeviceList list;
    CUSBSerialFTDI::EnumerateDevices(list, sys.string(), "/dev", "/tmp/a::/tmp/b");
    std::vector<CUSBSerialFTDI::deviceInfo_t> v(list.begin(), list.end());
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].portName, "/dev/ttyUSB2");
    EXPECT_EQ(v[0].deviceDesc, "not available");
    EXPECT_EQ(v[0].friendlyName, "not available");
    EXPECT_EQ(v[1].portName, "/dev/ttyUSB10");
    EXPECT_EQ(v[1].manufacturer, "FTDI");
    EXPECT_EQ(v[1].friendlyName, "FT232R USB UART (ttyUSB10)");
    EXPECT_EQ(v[2].portName, "/tmp/a");
    EXPECT_EQ(v[2].manufacturer, "FTDI");
    EXPECT_EQ(v[3].portName, "/tmp/b");

    CUSBSerialFTDI::DeviceList none;
    CUSBSerialFTDI::EnumerateDevices(none, (sys / "missing").string(), "/dev", "");
    EXPECT_TRUE(none.empty());
}

} // namespace
} // namespace zr
