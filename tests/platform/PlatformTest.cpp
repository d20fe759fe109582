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

// The system's device list as Windows' SetupAPI gives it: properties too long
// for their buffer already read "not available" there, a port name that could
// not be read is empty.
TEST(Discovery, KeepsExactlyTheFtdiDevicesInTheSystemsOrder)
{
    const std::string longName(128, 'N');
    const std::vector<SerialDeviceProperties> system = {
        {"USB Serial Port", "FTDI", "USB Serial Port (COM12)", "COM12"},
        {"Communications Port", "(Standard port types)", "Communications Port (COM1)", "COM1"},
        {"USB Serial Port", "ftdi", "lower case (COM4)", "COM4"},
        {"USB-SERIAL CH340", "wch.cn", "USB-SERIAL CH340 (COM5)", "COM5"},
        {"not available", "FTDI", longName, ""},
        {"USB Serial Port", "FTDI", "USB Serial Port (COM3)", "COM3"},
        {"USB Serial Port", "FTDI ", "trailing blank (COM6)", "COM6"},
    };
    CUSBSerialFTDI::DeviceList list;
    CUSBSerialFTDI::AppendFtdiAdapters(list, system);
    const std::vector<CUSBSerialFTDI::deviceInfo_t> v(list.begin(), list.end());
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].portName, "COM12");
    EXPECT_EQ(v[0].friendlyName, "USB Serial Port (COM12)");
    EXPECT_EQ(v[0].deviceDesc, "USB Serial Port");
    EXPECT_EQ(v[1].portName, "");
    EXPECT_EQ(v[1].friendlyName, "not available"); // 128 characters do not fit
    EXPECT_EQ(v[1].deviceDesc, "not available");
    EXPECT_EQ(v[2].portName, "COM3");

    CUSBSerialFTDI::DeviceList none;
    CUSBSerialFTDI::AppendFtdiAdapters(none, {});
    EXPECT_TRUE(none.empty());
}

// Windows lists are separated by ';' (a path there holds ':'), others by ':'.
TEST(Discovery, ListedPortsAreSplitAsTheSystemsListsAre)
{
    EXPECT_EQ(SplitPortList("COM5;COM6;;\\\\.\\COM12", ';'), (std::vector<std::string>{"COM5", "COM6", "\\\\.\\COM12"}));
    EXPECT_EQ(SplitPortList("/dev/pts/3::/dev/pts/4:", ':'), (std::vector<std::string>{"/dev/pts/3", "/dev/pts/4"}));
    EXPECT_TRUE(SplitPortList("", kPortListSeparator).empty());
    CUSBSerialFTDI::DeviceList list;
    const char sep[2] = {kPortListSeparator, '\0'};
    CUSBSerialFTDI::AppendListedPorts(list, std::string("A") + sep + "B");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.back().portName, "B");
    EXPECT_EQ(list.back().manufacturer, "FTDI");
    EXPECT_EQ(list.back().deviceDesc, "Listed serial port");
}

#ifndef _WIN32
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
#endif

} // namespace
} // namespace zr
