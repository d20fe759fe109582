#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include "../TestUtil.h"
#include "../walk/LogFiles.h"
#include "logs/LogReader.h"
#include "logs/ServiceReport.h"

namespace zr::test {
namespace {

// Every inline picture of the page, each a whole SVG document.
std::vector<std::string> Pictures(const std::string& html)
{
    std::vector<std::string> out;
    for (std::size_t at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1)) {
        const std::size_t end = html.find("</svg>", at);
        if (end == std::string::npos)
            break;
        out.push_back(html.substr(at, end + 6 - at));
    }
    return out;
}

TEST(ServiceReport, OnePageWithPicturesEventsAndCleanRanges)
{
    CTempDir dir;
    std::vector<DataRow> night(50, WalkRow(60, 58, false, false));
    night[20] = WalkRow(30, 25, true, false);
    WriteLog(dir.File("rx1.nlg"), kLogNorm, night);
    const SpectrumLogSettings settings{606100 / 25, 606200 / 25, 0};
    std::vector<DataRow> sweep;
    for (int p = 0; p < 5; ++p)
        sweep.push_back(SpectrumRow(606100 + 25 * p, p == 2 ? 60 : 12));
    WriteLog(dir.File("stage.slg"), kLogSpec, sweep, &settings);

    std::string html, bad;
    ASSERT_EQ(BuildServiceReport({dir.File("rx1.nlg"), dir.File("stage.slg")}, {}, html, &bad), kLogOpened);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>\n", 0), 0u);
    EXPECT_NE(html.find("<h2>Receiver 1: Background Log rx1.nlg</h2>"), std::string::npos);
    EXPECT_NE(html.find("<h2>Receiver 1: Spectrum Scan log stage.slg</h2>"), std::string::npos);
    EXPECT_NE(html.find("<td>sync error</td><td>30</td>"), std::string::npos);
    EXPECT_NE(html.find("<tr><td>606.100</td><td>606.125</td><td>2</td></tr>"), std::string::npos);
    const auto pictures = Pictures(html);
    ASSERT_EQ(pictures.size(), 2u);
    for (const std::string& svg : pictures) {
        QXmlStreamReader xml(QByteArray::fromStdString(svg));
        int elements = 0;
        while (!xml.atEnd())
            elements += xml.readNext() == QXmlStreamReader::StartElement;
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        EXPECT_GT(elements, 5);
    }
    EXPECT_EQ(html.substr(html.size() - 8), "</html>\n");

    // A file that is no log names itself.
    std::ofstream(dir.File("notes.nlg")) << "not a log, only text long enough for a header";
    EXPECT_EQ(BuildServiceReport({dir.File("rx1.nlg"), dir.File("notes.nlg")}, {}, html, &bad), kLogInvalidType);
    EXPECT_EQ(bad, dir.File("notes.nlg"));
}

} // namespace
} // namespace zr::test
