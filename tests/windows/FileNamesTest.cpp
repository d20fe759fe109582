// File names in any language on Windows: the programs run with UTF-8 as
// their code page (their manifest), so the names the tool passes to the
// system reach the disk as written.
#include <gtest/gtest.h>

#include <string>

#include "../TestUtil.h"
#include "logs/LogExport.h"
#include "logs/LogFormat.h"
#include "logs/LogReader.h"
#include "platform/Clock.h"
#include "platform/SafeFile.h"

#include <windows.h>

namespace zr::test {
namespace {

TEST(FileNames, NamesOutsideTheLocalCodePageReachTheDiskAsWritten)
{
    ASSERT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8)) << "the manifest's code page";
    CTempDir dir;
    const std::string name = "\xCE\xA9mega-\xE6\x9D\xB1\xE4\xBA\xAC-Z\xC3\xBCrich.nlg"; // Ωmega-東京-Zürich.nlg
    const std::string path = dir.Path() + "\\" + name; // not through a path object: see Sibling in SafeFile.cpp
    const auto header = BuildLogHeader(kLogNorm, 0, 0, nullptr);
    ASSERT_TRUE(WriteWholeFile(path, std::string(reinterpret_cast<const char*>(header.data()), header.size())));
    const auto record = BuildLogRecord(LocalTimeToFileTime({2024, 5, 17, 9, 30, 5, 0}), DataRow{});
    ASSERT_TRUE(AppendToExistingFile(path, record.data(), record.size()));

    // The system's own wide name is the one meant.
    const std::wstring wide = std::wstring(L"\u03A9mega-\u6771\u4EAC-Z\u00FCrich.nlg");
    WIN32_FIND_DATAW found{};
    std::wstring widePattern(dir.Path().begin(), dir.Path().end());
    HANDLE h = ::FindFirstFileW((widePattern + L"\\*.nlg").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::FindClose(h);
    EXPECT_EQ(std::wstring(found.cFileName), wide);

    LogSummary summary;
    ASSERT_EQ(SummarizeLog(path, summary), kLogOpened);
    EXPECT_EQ(summary.records, 1u);
}

} // namespace
} // namespace zr::test
