// Converts an 8-hour Background Log (288,000 records) to text and prints the
// time next to copying a file of the output's size, measured in the same run;
// then, given the zrq6930 program, the whole commands as a user runs them,
// output to a file, beside their least work: cp, and a synced copy (dd
// conv=fsync) for the conversion, which syncs. Best of the runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "logs/LogConvert.h"
#include "logs/LogExport.h"
#include "logs/LogReader.h"
#include "logs/LogFormat.h"
#include "platform/Clock.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const fs::path dir = fs::temp_directory_path() / "zrq6930-convert-bench";
    fs::create_directories(dir);
    const std::string source = (dir / "1_20240517-000000_001.nlg").string();
    {
        std::ofstream out(source, std::ios::binary);
        const auto h = zr::BuildLogHeader(zr::kLogNorm, 0, 0, nullptr);
        out.write(reinterpret_cast<const char*>(h.data()), 32);
        const int64_t start = zr::LocalTimeToFileTime({2024, 5, 17, 0, 0, 0, 0});
        for (int i = 0; i < 288000; ++i) {
            zr::DataRow row{};
            row[2] = static_cast<uint8_t>((i % 7 == 0 ? 0x40 : 0) | (i % 11 == 0 ? 0x80 : 0) | (i % 5 == 0 ? 0x20 : 0));
            row[7] = static_cast<uint8_t>(30 + i % 40);
            row[6] = static_cast<uint8_t>(25 + i % 45);
            row[10] = 0x1F;
            const auto r = zr::BuildLogRecord(start + i * 1000000LL, row);
            out.write(reinterpret_cast<const char*>(r.data()), 32);
        }
    }
    const std::string output = (dir / "out.log").string();
    const std::string copy = (dir / "copy.log").string();
    const std::string csv = (dir / "out.csv").string();
    std::vector<double> convert, cp, exportCsv, cpCsv;
    for (int r = 0; r < runs; ++r) {
        fs::remove(output);
        auto t0 = std::chrono::steady_clock::now();
        if (zr::ConvertLogToText(source, output, {}) != zr::kConvertCompleted) {
            std::fprintf(stderr, "conversion failed\n");
            return 1;
        }
        convert.push_back(Seconds(std::chrono::steady_clock::now() - t0));
        fs::remove(copy);
        const std::string cmd = "cp " + output + " " + copy;
        t0 = std::chrono::steady_clock::now();
        if (std::system(cmd.c_str()) != 0)
            return 1;
        cp.push_back(Seconds(std::chrono::steady_clock::now() - t0));

        fs::remove(csv);
        t0 = std::chrono::steady_clock::now();
        std::FILE* out = std::fopen(csv.c_str(), "w");
        if (!out || zr::ExportLogCsv(source, out, nullptr) != zr::kLogOpened || std::fclose(out) != 0) {
            std::fprintf(stderr, "export failed\n");
            return 1;
        }
        exportCsv.push_back(Seconds(std::chrono::steady_clock::now() - t0));
        fs::remove(copy);
        t0 = std::chrono::steady_clock::now();
        if (std::system(("cp " + csv + " " + copy).c_str()) != 0)
            return 1;
        cpCsv.push_back(Seconds(std::chrono::steady_clock::now() - t0));
    }
    const auto size = fs::file_size(output);
    std::printf("8-hour .nlg: %u records, %ju bytes of text\n", 288000u, static_cast<uintmax_t>(size));
    std::printf("convert  median %.3f s over %d runs\n", Median(convert), runs);
    std::printf("cp       median %.3f s (a file of the output's size)\n", Median(cp));
    std::printf("ratio    %.2f x cp\n", Median(convert) / Median(cp));
    std::printf("export --csv median %.3f s (%ju bytes); cp of a file of its size %.3f s; ratio %.2f x cp\n", Median(exportCsv),
                static_cast<uintmax_t>(fs::file_size(csv)), Median(cpCsv), Median(exportCsv) / Median(cpCsv));
    zr::bench::TableRow("log convert, 8-hour Background Log", Median(convert) * 1000, "ms", "cp of the output", Median(cp) * 1000, "< 3x");
    zr::bench::TableRow("log export --csv, 8-hour Background Log", Median(exportCsv) * 1000, "ms", "cp of the output", Median(cpCsv) * 1000, "< 3x");
    if (argc > 2) {
        const std::string cli = argv[2];
        const auto best = [&](const std::string& command) { return zr::bench::BestOfMs(command, runs); };
        const double exportFile = best(cli + " log export " + source + " --csv > " + csv);
        const double cpFile = best("cp " + csv + " " + copy);
        const double exportPipe = best(cli + " log export " + source + " --csv | cat > " + csv);
        const double catPipe = best("cat " + csv + " | cat > " + copy);
        const double convertCmd = best("rm -f " + output + " && " + cli + " log convert " + source + " -o " + output + " > /dev/null");
        const double syncedCopy = best("dd if=" + output + " of=" + copy + " bs=1M conv=fsync status=none");
        std::printf("whole commands, best of %d: export to a file %.1f ms (cp %.1f ms), into a pipe %.1f ms (cat | cat %.1f ms), convert %.1f ms (dd conv=fsync %.1f ms)\n",
                    runs, exportFile, cpFile, exportPipe, catPipe, convertCmd, syncedCopy);
        zr::bench::TableRow("zrq6930 log export --csv > file, 8-hour log", exportFile, "ms", "cp of the output", cpFile, "< 2x");
        zr::bench::TableRow("zrq6930 log export --csv | cat > file", exportPipe, "ms", "cat | cat of the output", catPipe, "< 2x");
        zr::bench::TableRow("zrq6930 log convert -o file, 8-hour log", convertCmd, "ms", "dd conv=fsync of the output", syncedCopy, "< 2x");
    }
    if (!std::getenv("ZR_BENCH_KEEP"))
        fs::remove_all(dir);
    return 0;
}
