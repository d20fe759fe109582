#include "platform/LogFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace zr {

bool GetLogFolder(std::string& path)
{
    std::error_code ec;
    if (const char* dir = std::getenv("ZRQ6930_LOG_DIR"); dir && *dir) {
        fs::path p(dir);
        fs::create_directories(p, ec); // failures show up when a file is written
        path = p.string();
        if (path.back() != '/')
            path += '/';
        return true;
    }
    fs::path base;
#ifdef _WIN32
    const char* programData = std::getenv("ProgramData");
    if (!programData || !*programData)
        return false;
    base = programData;
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".local" / "share";
    else
        return false;
#endif
    fs::create_directories(base, ec);
    fs::path p = base;
    for (const char* level : {"Ombrix", "ZR-Q6930", "log"}) {
        p /= level;
        fs::create_directory(p, ec); // may exist already
    }
    path = p.string() + "/";
    return true;
}

} // namespace zr
