#pragma once
// Shared helpers for the suites: waiting on conditions, temporary folders,
// environment overrides.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace zr::test {

// Polls `pred` until it holds or `timeout` passes. Not a timing assertion:
// the deadline is generous and only bounds a hang.
inline bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A whole file's bytes ("" when it cannot be read).
inline std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class CTempDir {
public:
    CTempDir()
    {
#ifdef _WIN32
        // No mkdtemp: a name made unique by trying until one is new.
        for (unsigned n = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());; ++n) {
            const auto candidate = std::filesystem::temp_directory_path() / ("zrq6930-test-" + std::to_string(n % 1000000007u));
            if (std::filesystem::create_directory(candidate)) {
                m_path = candidate.string();
                break;
            }
        }
#else
        std::string tmpl = (std::filesystem::temp_directory_path() / "zrq6930-test-XXXXXX").string();
        char* p = mkdtemp(tmpl.data());
        m_path = p ? p : tmpl;
#endif
    }
    ~CTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (std::filesystem::path(m_path) / name).string(); }

private:
    std::string m_path;
};

#ifdef _WIN32
inline void setenv(const char* name, const char* value, int) { _putenv_s(name, value); }
inline void unsetenv(const char* name) { _putenv_s(name, ""); }
#endif

class CEnvGuard {
public:
    CEnvGuard(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~CEnvGuard()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace zr::test
