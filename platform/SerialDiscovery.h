#pragma once
// Finds serial adapters: USB serial ports described by sysfs (no udev needed)
// plus the ports listed in ZRQ6930_PORTS.
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

// Paths from a ':'-separated list (empty items skipped).
std::vector<std::string> SplitPortList(const std::string& list);

} // namespace zr
