#pragma once
// Enumeration of the receivers' USB serial adapters (FTDI), plus the ports
// listed in ZRQ6930_PORTS, which count as FTDI adapters.
#include <list>
#include <string>
#include <vector>

#include "platform/SerialDiscovery.h"

namespace zr {

class CUSBSerialFTDI {
public:
    struct deviceInfo_t {
        std::string deviceDesc;
        std::string manufacturer;
        std::string friendlyName;
        std::string portName;
    };
    using DeviceList = std::list<deviceInfo_t>;

    // Appends every present adapter whose manufacturer is exactly "FTDI".
    static void EnumerateDevices(DeviceList& list);
    // The same with explicit roots and port list, for tests.
    static void EnumerateDevices(DeviceList& list, const std::string& sysRoot, const std::string& devRoot, const std::string& portList);
    // The receivers' adapters among the system's serial devices, in order:
    // manufacturer exactly "FTDI"; properties too long for the property
    // buffer read "not available".
    static void AppendFtdiAdapters(DeviceList& list, const std::vector<SerialDeviceProperties>& devices);
    // The ports of a ZRQ6930_PORTS list, as FTDI adapters.
    static void AppendListedPorts(DeviceList& list, const std::string& portList);
};

constexpr char kNotAvailable[] = "not available";
// Longer properties do not fit the 128-character property buffer.
constexpr std::size_t kMaxPropertyLength = 127;

} // namespace zr
