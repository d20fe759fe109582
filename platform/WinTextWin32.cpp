#include "platform/WinText.h"

#include <windows.h>

#include <cstdio>

namespace zr {

std::wstring Utf8ToWide(const std::string& text)
{
    if (text.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring PathToWide(const std::string& path)
{
    std::wstring out;
    const int n = ::MultiByteToWideChar(::GetACP(), 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n));
        ::MultiByteToWideChar(::GetACP(), 0, path.data(), static_cast<int>(path.size()), out.data(), n);
    }
    return out;
}

std::string WideToUtf8(const wchar_t* text, std::size_t length)
{
    if (length == 0)
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

std::string SystemErrorText(unsigned long code)
{
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                     0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = n ? WideToUtf8(buffer, n) : std::string();
    if (buffer)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) {
        char fallback[32];
        std::snprintf(fallback, sizeof fallback, "error %lu", code);
        text = fallback;
    }
    return text;
}

} // namespace zr
