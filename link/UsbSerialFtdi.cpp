#include "link/UsbSerialFtdi.h"

#include <cstdlib>

#include "platform/SerialDiscovery.h"

namespace zr {

namespace {

std::string Property(const std::string& value)
{
    return value.size() > kMaxPropertyLength ? kNotAvailable : value;
}

} // namespace

void CUSBSerialFTDI::EnumerateDevices(DeviceList& list)
{
    const char* ports = std::getenv("ZRQ6930_PORTS");
    EnumerateDevices(list, "/sys", "/dev", ports ? ports : "");
}

void CUSBSerialFTDI::EnumerateDevices(DeviceList& list, const std::string& sysRoot, const std::string& devRoot, const std::string& portList)
{
    for (const SerialPortInfo& p : ScanUsbSerialPorts(sysRoot, devRoot)) {
        const std::string manufacturer = Property(p.manufacturer);
        if (manufacturer != "FTDI")
            continue;
        deviceInfo_t d;
        d.deviceDesc = Property(p.product);
        d.manufacturer = manufacturer;
        d.friendlyName = Property(p.product + " (" + p.ttyName + ")");
        d.portName = p.path;
        list.push_back(std::move(d));
    }
    for (const std::string& path : SplitPortList(portList))
        list.push_back({"Listed serial port", "FTDI", Property(path), path});
}

} // namespace zr
