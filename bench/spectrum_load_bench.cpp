// Opening a day's spectrum log part (864,000 records, 27.6 MB) in the
// Spectrum Scan Log viewer until the graph shows it, beside `cat` of the same
// file in the same run; then the occupancy of a week of such parts beside
// `cat` of all seven.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>
#include <string>

#include "BenchTable.h"
#include "GuiHarness.h"
#include "link/Commands.h"
#include "logs/LogFormat.h"
#include "logs/LogReader.h"
#include "logs/SpectrumOccupancy.h"
#include "scan/SpScanDlg.h"

int main(int argc, char** argv)
{
    zr::bench::PrepareHeadless("spload");
    QApplication app(argc, argv);
    const std::string path = std::string(std::getenv("ZRQ6930_LOG_DIR")) + "/1_20240517-120000_001.slg";
    {
        zr::SpectrumLogSettings settings{606000 / 25, 636000 / 25, 0};
        const auto header = zr::BuildLogHeader(zr::kLogSpec, 0, 0, &settings);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        for (int i = 0; i < 864000; ++i) {
            char reply[16];
            std::snprintf(reply, sizeof reply, "F2%02d%06d", 10 + i % 60, 606000 + (i % 1201) * 25);
            const auto record = zr::BuildLogRecord(int64_t{133600000000000000} + i * 1000000LL, zr::DecodeF2(reinterpret_cast<uint8_t*>(reply)));
            out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
        }
    }
    auto cat = [&] { return zr::bench::CatMs(path); };
    zr::CSpScanDlg viewer(nullptr, nullptr);
    viewer.SetViewerMode();
    double best = 1e9, bestCat = 1e9;
    for (int round = 0; round < 3; ++round) {
        bestCat = std::min(bestCat, cat());
        QElapsedTimer t;
        t.start();
        viewer.LoadLog(path);
        while (viewer.Loading() || viewer.State() != zr::kLogStateOpened)
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        QImage image;
        viewer.Graph()->Render(image); // until the graph shows it
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("open a 1-day spectrum log part (864,000 records, 27.6 MB) in the viewer: %.0f ms; cat of the file: %.0f ms; ratio %.1f (goal < 2)\n",
                best, bestCat, best / bestCat);
    zr::bench::TableRow("open a 1-day spectrum log part in its viewer", best, "ms", "cat of the file", bestCat, "< 2x");

    // A week: the same day's part six times more, as _002 to _007, and its occupancy over all seven.
    std::string all = path;
    std::vector<std::string> parts{path};
    for (int d = 2; d <= 7; ++d) {
        std::string part = path;
        part.replace(part.size() - 7, 3, "00" + std::to_string(d));
        std::filesystem::copy_file(path, part, std::filesystem::copy_options::overwrite_existing);
        parts.push_back(part);
        all += " " + part;
    }
    double bestOccupancy = 1e9, bestCatAll = 1e9;
    for (int round = 0; round < 3; ++round) {
        bestCatAll = std::min(bestCatAll, zr::bench::CatMs(all));
        QElapsedTimer t;
        t.start();
        zr::SpectrumOccupancy o;
        if (zr::ComputeOccupancy(path, 25, o) != zr::kLogOpened)
            return 1;
        bestOccupancy = std::min(bestOccupancy, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("occupancy of a 7-day spectrum log (7 parts, 6,048,000 records, 194 MB): %.0f ms; cat of all parts: %.0f ms; ratio %.1f (goal < 2)\n",
                bestOccupancy, bestCatAll, bestOccupancy / bestCatAll);
    zr::bench::TableRow("occupancy of a 7-day spectrum log (7 parts)", bestOccupancy, "ms", "cat of all parts", bestCatAll, "< 2x");
    for (const std::string& part : parts)
        std::remove(part.c_str());
    return 0;
}
