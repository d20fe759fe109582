#pragma once
// Finds serial adapters: on Windows the present COM-port devices (SetupAPI),
// elsewhere the USB serial ports described by sysfs (no udev needed); plus
// the ports listed in ZRQ6930_PORTS.
#include <string>
#include <vector>

namespace zr {

struct SerialPortInfo {
    std::string path;         // device node, e.g. /dev/ttyUSB0
    std::string manufacturer; // USB manufacturer string, "not available" when unreadable
    std::string product;      // USB product string
    std::string serial;       // USB serial number
    std::string ttyName;      // e.g. ttyUSB0
};

// Scans <sysRoot>/class/tty/*/device for USB serial ports; device nodes are
// named <devRoot>/<tty>. Sorted by tty name for a stable order.
std::vector<SerialPortInfo> ScanUsbSerialPorts(const std::string& sysRoot = "/sys", const std::string& devRoot = "/dev");

// One serial device as the system describes it; a property that cannot be
// read is "not available", a port name that cannot be read is empty.
struct SerialDeviceProperties {
    std::string deviceDesc;
    std::string manufacturer;
    std::string friendlyName;
    std::string portName; // COM3, or a device node
};

#ifdef _WIN32
// Every present device with the COM-port interface, in the system's order.
std::vector<SerialDeviceProperties> EnumerateComPortDevices();
#endif

// Lists of ports are separated as the system's own lists are.
#ifdef _WIN32
constexpr char kPortListSeparator = ';';
#else
constexpr char kPortListSeparator = ':';
#endif

// Paths from a kPortListSeparator-separated list (empty items skipped).
std::vector<std::string> SplitPortList(const std::string& list, char separator = kPortListSeparator);

} // namespace zr
