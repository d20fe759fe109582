#include "platform/SerialDiscovery.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace zr {

namespace {

// Reads a one-line sysfs attribute; a missing or unreadable one gives `ok` false.
std::string ReadAttribute(const fs::path& file, bool& ok)
{
    std::ifstream in(file);
    std::string line;
    ok = static_cast<bool>(in) && static_cast<bool>(std::getline(in, line));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// ttyUSB2 before ttyUSB10: compare the stem, then the trailing number.
bool NaturalLess(const std::string& a, const std::string& b)
{
    auto split = [](const std::string& s) {
        std::size_t i = s.size();
        while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9')
            --i;
        return std::make_pair(s.substr(0, i), s.substr(i));
    };
    auto [sa, na] = split(a);
    auto [sb, nb] = split(b);
    if (sa != sb)
        return sa < sb;
    if (na.size() != nb.size())
        return na.size() < nb.size();
    return na < nb;
}

} // namespace

std::vector<SerialPortInfo> ScanUsbSerialPorts(const std::string& sysRoot, const std::string& devRoot)
{
    std::vector<SerialPortInfo> found;
    std::error_code ec;
    fs::path ttyClass = fs::path(sysRoot) / "class" / "tty";
    for (const auto& entry : fs::directory_iterator(ttyClass, ec)) {
        fs::path device = entry.path() / "device";
        if (!fs::exists(device, ec))
            continue;
        fs::path dir = fs::canonical(device, ec);
        if (ec)
            continue;
        // Walk up from the interface to the USB device, the first level that
        // carries a manufacturer or an idVendor file.
        bool isUsb = false;
        for (int depth = 0; depth < 6 && !dir.empty() && dir != dir.root_path(); ++depth, dir = dir.parent_path()) {
            if (fs::exists(dir / "idVendor", ec) || fs::exists(dir / "manufacturer", ec)) {
                isUsb = true;
                break;
            }
        }
        if (!isUsb)
            continue;
        SerialPortInfo info;
        info.ttyName = entry.path().filename().string();
        info.path = (fs::path(devRoot) / info.ttyName).string();
        bool ok;
        info.manufacturer = ReadAttribute(dir / "manufacturer", ok);
        if (!ok)
            info.manufacturer = "not available";
        info.product = ReadAttribute(dir / "product", ok);
        if (!ok)
            info.product = "not available";
        info.serial = ReadAttribute(dir / "serial", ok);
        if (!ok)
            info.serial.clear();
        found.push_back(std::move(info));
    }
    std::sort(found.begin(), found.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) { return NaturalLess(a.ttyName, b.ttyName); });
    return found;
}

std::vector<std::string> SplitPortList(const std::string& list, char separator)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(separator, start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

} // namespace zr
