#include "platform/SerialPort.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace zr {

int PortHolderProcess(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    // Lines such as "1: POSIX  ADVISORY  WRITE 4242 00:05:123 0 EOF": the
    // holder, then the locked file as device major:minor (hex) and inode.
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, mode, access, file;
        long pid = 0;
        if (!(fields >> number >> type) || type != "POSIX")
            continue;
        if (!(fields >> mode >> access >> pid >> file))
            continue;
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%lu", &major, &minor, &inode) == 3 && major == ::major(st.st_dev) && minor == ::minor(st.st_dev) &&
            inode == st.st_ino)
            return static_cast<int>(pid);
    }
    return 0;
}

} // namespace zr
