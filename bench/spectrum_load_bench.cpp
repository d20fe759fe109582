// Opening a day's spectrum log part (864,000 records, 27.6 MB) in the
// Spectrum Scan Log viewer until the graph shows it, beside `cat` of the same
// file in the same run; then a week of such parts read whole: its occupancy
// in process, and every command that reads a whole log as a user runs it,
// output to a file, beside `cat` of all seven parts (and `cp` of the output
// where the output is larger than the reading).
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
    // A day's part: a record every 100 ms, each day's times following on from the last's.
    const auto writePart = [](const std::string& file, int day) {
        zr::SpectrumLogSettings settings{606000 / 25, 636000 / 25, 0};
        const auto header = zr::BuildLogHeader(zr::kLogSpec, 0, 0, &settings);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        for (int i = 0; i < 864000; ++i) {
            char reply[16];
            // A quiet band (10 to 24 dBuV) with a carrier on every 37th point.
            const int point = i % 1201;
            std::snprintf(reply, sizeof reply, "F2%02d%06d", point % 37 == 5 ? 60 : 10 + (i * 7) % 15, 606000 + point * 25);
            const int64_t t = int64_t{133600000000000000} + (int64_t{day} * 864000 + i) * 1000000LL;
            const auto record = zr::BuildLogRecord(t, zr::DecodeF2(reinterpret_cast<uint8_t*>(reply)));
            out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
        }
    };
    writePart(path, 0);
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

    // A week: six days more, as _002 to _007, and its occupancy over all seven.
    std::string all = path;
    std::vector<std::string> parts{path};
    for (int d = 2; d <= 7; ++d) {
        std::string part = path;
        part.replace(part.size() - 7, 3, "00" + std::to_string(d));
        writePart(part, d - 1);
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
    if (argc > 1) {
        const std::string cli = argv[1];
        const std::string out = path + ".out";
        struct Command {
            const char* measure;
            std::string command;
            bool againstOutputCopy; // the least work is copying the output, not reading the log
        };
        const Command commands[] = {
            {"zrq6930 log info, 7-day spectrum log", cli + " log info " + path + " > " + out, false},
            {"zrq6930 log occupancy --csv > file, 7-day log", cli + " log occupancy " + path + " --csv > " + out, false},
            {"zrq6930 log report -o file, 7-day log", cli + " log report " + path + " -o " + out + " > /dev/null", false},
            {"zrq6930 plan --from (16 carriers, 1 s given), 7-day log", cli + " plan --from " + path + " --count 16 --seconds 1 > " + out + " 2>/dev/null", false},
            {"zrq6930 log export --csv > file, 7-day log", cli + " log export " + path + " --csv > " + out, true},
        };
        for (const Command& c : commands) {
            const double ms = zr::bench::BestOfMs(c.command, 3);
            if (c.againstOutputCopy) {
                const double cp = zr::bench::BestOfMs("cp " + out + " " + out + ".copy", 3);
                std::printf("%s: %.0f ms; cp of its output (%ju bytes): %.0f ms\n", c.measure, ms, static_cast<uintmax_t>(std::filesystem::file_size(out)), cp);
                zr::bench::TableRow(c.measure, ms, "ms", "cp of the output", cp, "< 2x");
                std::remove((out + ".copy").c_str());
            } else {
                const double cat = zr::bench::CatMs(all);
                std::printf("%s: %.0f ms; cat of all parts: %.0f ms\n", c.measure, ms, cat);
                zr::bench::TableRow(c.measure, ms, "ms", "cat of all parts", cat, c.measure[8] == 'p' ? "16 carriers under 1 s" : "< 2x");
            }
        }
        std::remove(out.c_str());
    }
    if (!std::getenv("ZR_BENCH_KEEP")) // kept for profiling a command on it
        for (const std::string& part : parts)
            std::remove(part.c_str());
    return 0;
}
