// libFuzzer target: any bytes as a log file, through every reader of logs:
// the header check and record reader of each kind, log info and CSV export
// (every part of a spectrum log), the conversion to text, the events, the
// spectrum occupancy, the service report, and the viewers' decoders (walk,
// background and time-domain playback, the spectrum playback).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "logs/LogConvert.h"
#include "logs/LogExport.h"
#include "logs/LogEvents.h"
#include "logs/LogReader.h"
#include "logs/ServiceReport.h"
#include "logs/SpectrumLog.h"
#include "logs/SpectrumOccupancy.h"
#include "walk/WalkLogLoader.h"

namespace {

std::string Folder()
{
    static const std::string folder = [] {
        // In memory where there is such a folder: the conversion syncs its output to disk every run.
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        const auto dir = base / ("zrq6930-log-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Named as a spectrum log's first part, so the part lookup runs too.
    const std::string path = Folder() + "/1_20240517-120000_001.slg";
    const std::string output = Folder() + "/out.log";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    for (int kind : {-1, int{zr::kLogNorm}, int{zr::kLogWalk}, int{zr::kLogSpec}}) {
        zr::CLogReader reader;
        if (reader.Open(path, kind) == zr::kLogOpened)
            for (zr::LogRecord r; reader.Next(r);)
                (void)zr::IsoTime(r.time);
    }
    zr::LogSummary summary;
    if (zr::SummarizeLog(path, summary) == zr::kLogOpened)
        (void)zr::FormatLogSummary(summary);
    static std::FILE* sink = std::fopen("/dev/null", "w");
    (void)zr::ExportLogCsv(path, sink);
    zr::ConvertHooks overwrite;
    overwrite.confirmOverwrite = [] { return true; };
    (void)zr::ConvertLogToText(path, output, overwrite);
    std::vector<zr::LogEvent> events;
    zr::LogEventSummary states;
    (void)zr::FindLogEvents(path, {}, events, states);
    zr::SpectrumOccupancy occupancy;
    (void)zr::ComputeOccupancy(path, 25, occupancy);
    std::string html;
    (void)zr::BuildServiceReport({path}, {}, html, nullptr);
    for (int mode : {zr::kWalkLogViewer, zr::kBackgroundLogViewer, zr::kTimeDomainViewer})
        (void)zr::PlayWalkLog(path, mode, 606125, {});
    (void)zr::PlaySpectrumLog(path, 25, {});
    return 0;
}
