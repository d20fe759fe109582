#include "platform/SerialDiscovery.h"

#include <windows.h>
#include <setupapi.h>

#include "platform/WinText.h"

namespace zr {

namespace {

// GUID_DEVINTERFACE_COMPORT
const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

// Text of a wide buffer the system filled: up to its terminator or its end.
std::string BufferText(const wchar_t* text, std::size_t maxChars)
{
    std::size_t n = 0;
    while (n < maxChars && text[n] != L'\0')
        ++n;
    return WideToUtf8(text, n);
}

// A property read into a 256-byte buffer: a longer one (more than 127
// characters) does not fit and is "not available", as an absent one is.
std::string Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property)
{
    wchar_t buffer[128];
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer), sizeof buffer, nullptr))
        return "not available";
    return BufferText(buffer, sizeof buffer / sizeof buffer[0]);
}

std::string PortName(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t buffer[128];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    std::string name;
    if (::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS && type == REG_SZ)
        name = BufferText(buffer, size / sizeof buffer[0]);
    ::RegCloseKey(key);
    return name;
}

} // namespace

std::vector<SerialDeviceProperties> EnumerateComPortDevices()
{
    std::vector<SerialDeviceProperties> found;
    HDEVINFO set = ::SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return found;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!::SetupDiEnumDeviceInfo(set, index, &device))
            break;
        SerialDeviceProperties d;
        d.friendlyName = Property(set, device, SPDRP_FRIENDLYNAME);
        d.manufacturer = Property(set, device, SPDRP_MFG);
        d.deviceDesc = Property(set, device, SPDRP_DEVICEDESC);
        d.portName = PortName(set, device);
        found.push_back(std::move(d));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return found;
}

} // namespace zr
