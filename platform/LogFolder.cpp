#include "platform/LogFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#endif

namespace fs = std::filesystem;

namespace zr {

namespace {

std::string WithSeparator(std::string path)
{
    if (path.back() != '/' && path.back() != static_cast<char>(fs::path::preferred_separator))
        path += static_cast<char>(fs::path::preferred_separator);
    return path;
}

} // namespace

bool GetLogFolder(std::string& path)
{
    std::error_code ec;
    if (const char* dir = std::getenv("ZRQ6930_LOG_DIR"); dir && *dir) {
        fs::path p(dir);
        fs::create_directories(p, ec); // failures show up when a file is written
        path = WithSeparator(p.string());
        return true;
    }
    fs::path base;
#ifdef _WIN32
    // The all-users application data folder, C:\ProgramData as a rule.
    wchar_t common[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, common, CSIDL_COMMON_APPDATA, FALSE) || !common[0])
        return false;
    base = common;
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
    path = WithSeparator(p.string());
    return true;
}

} // namespace zr
