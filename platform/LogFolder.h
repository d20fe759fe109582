#pragma once
// The folder that every log goes into: the all-users data location, then
// Ombrix/ZR-Q6930/log/. ZRQ6930_LOG_DIR replaces the whole path.
#include <string>

namespace zr {

// Fills `path` (ending in a separator) and creates each missing level.
// false when the base location cannot be found ("Failed to get system folder.").
bool GetLogFolder(std::string& path);

constexpr char kFailedSystemFolder[] = "Failed to get system folder.";

} // namespace zr
