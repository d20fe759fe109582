#include "link/UsbSerialFtdi.h"

#include <cstdlib>

namespace zr {

namespace {

std::string Property(const std::string& value)
{
    return value.size() > kMaxPropertyLength ? kNotAvailable : value;
}

std::string ListedPorts()
{
    const char* ports = std::getenv("ZRQ6930_PORTS");
    return ports ? ports : "";
}

} // namespace

void CUSBSerialFTDI::EnumerateDevices(DeviceList& list)
{
#ifdef _WIN32
    AppendFtdiAdapters(list, EnumerateComPortDevices());
    AppendListedPorts(list, ListedPorts());
#else
    EnumerateDevices(list, "/sys", "/dev", ListedPorts());
#endif
}

void CUSBSerialFTDI::EnumerateDevices(DeviceList& list, const std::string& sysRoot, const std::string& devRoot, const std::string& portList)
{
    std::vector<SerialDeviceProperties> devices;
    for (const SerialPortInfo& p : ScanUsbSerialPorts(sysRoot, devRoot))
        devices.push_back({p.product, p.manufacturer, p.product + " (" + p.ttyName + ")", p.path});
    AppendFtdiAdapters(list, devices);
    AppendListedPorts(list, portList);
}

void CUSBSerialFTDI::AppendFtdiAdapters(DeviceList& list, const std::vector<SerialDeviceProperties>& devices)
{
    for (const SerialDeviceProperties& device : devices) {
        const std::string manufacturer = Property(device.manufacturer);
        if (manufacturer != "FTDI")
            continue;
        list.push_back({Property(device.deviceDesc), manufacturer, Property(device.friendlyName), device.portName});
    }
}

void CUSBSerialFTDI::AppendListedPorts(DeviceList& list, const std::string& portList)
{
    for (const std::string& path : SplitPortList(portList))
        list.push_back({"Listed serial port", "FTDI", Property(path), path});
}

} // namespace zr
