#pragma once
// Text at the Windows API's edge: its wide strings to and from UTF-8, and its
// error codes as words. Windows only.
#include <string>

namespace zr {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const wchar_t* text, std::size_t length);
// A path as the tool holds it (the programs' code page, UTF-8 by their
// manifest) for the wide calls: no name depends on how the narrow calls convert.
std::wstring PathToWide(const std::string& path);
// The system's message for a GetLastError code, without the trailing line break.
std::string SystemErrorText(unsigned long code);

} // namespace zr
