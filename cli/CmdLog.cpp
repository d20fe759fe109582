// log convert, log info, log export, log events, log occupancy, log report.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <filesystem>

#include "cli/CliCommon.h"
#include "logs/LogConvert.h"
#include "logs/LogEvents.h"
#include "logs/LogExport.h"
#include "logs/LogReader.h"
#include "logs/ServiceReport.h"
#include "logs/SpectrumOccupancy.h"
#include "platform/SafeFile.h"
#include "platform/LogFolder.h"

namespace zr::cli {

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: zrq6930 log convert SOURCE.nlg [-o OUTPUT] [--force]\n"
                         "       zrq6930 log info FILE\n"
                         "       zrq6930 log export FILE --csv\n"
                         "       zrq6930 log events FILE.nlg... [--json] [--low-rf DBUV]\n"
                         "       zrq6930 log occupancy FILE.slg [--threshold DBUV] [--csv | --json] [--clean]\n"
                         "       zrq6930 log report FILE... -o REPORT.html [--low-rf DBUV] [--threshold DBUV] [--plan N]\n"
                         "  --plan N: per spectrum log, N carriers clear of what it saw busy and of intermodulation (zrq6930 plan's defaults)\n");
    return kExitUsage;
}

// The reader's message; the file it concerns is named when it is another
// part of the log than the one the user named.
int OpenFailure(int result, const std::string& named, const std::string& badPart)
{
    const std::string& file = badPart.empty() ? named : badPart;
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        std::fprintf(stderr, "%s: is a directory, not a log file\n", file.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", file.c_str(), LogOpenMessage(result));
    return kExitUsage;
}

int Convert(const std::vector<std::string>& args)
{
    std::string source, output;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            output = args[++i];
            if (output.empty()) {
                std::fprintf(stderr, "zrq6930 log convert: -o needs a file name\n");
                return kExitUsage;
            }
        }
        else if (args[i] == "--force")
            force = true;
        else if (source.empty() && !args[i].empty() && args[i][0] != '-')
            source = args[i];
        else
            return Usage();
    }
    if (source.empty())
        return Usage();
    if (output.empty()) {
        std::string folder;
        if (!GetLogFolder(folder)) {
            std::fprintf(stderr, "%s\n", kFailedSystemFolder);
            return kExitFailure;
        }
        output = ConvertOutputPath(source, folder);
    }
    ConvertHooks hooks;
    hooks.confirmOverwrite = [force, &output] {
        if (!force)
            std::fprintf(stderr, "zrq6930 log convert: %s exists; --force overwrites it\n", output.c_str());
        return force;
    };
    const int result = ConvertLogToText(source, output, hooks);
    switch (result) {
    case kConvertCompleted:
        std::printf("%s\n%s\n", kMsgConversionCompleted, output.c_str());
        return kExitOk;
    case kConvertCannotOpen:
    case kConvertInvalidType:
    case kConvertTooLong:
        return OpenFailure(result == kConvertCannotOpen ? kLogCannotOpen : result == kConvertTooLong ? kLogTooLong : kLogInvalidType, source, source);
    case kConvertSameFile:
        std::fprintf(stderr, "%s\n", ConvertResultMessage(result, output).c_str());
        return kExitUsage;
    case kConvertDeclined:
    case kConvertEmptyRemoved:
        return kExitFailure;
    default:
        std::fprintf(stderr, "%s\n", ConvertResultMessage(result, output).c_str());
        return kExitFailure;
    }
}

// A level in dBuV from 0 to 99 for `option`; false after saying so.
bool ParseLevel(const char* option, const std::string& text, int& out)
{
    if (ParseWholeNumber(text, 99, out))
        return true;
    std::fprintf(stderr, "zrq6930 log: %s takes a level from 0 to 99 dBuV\n", option);
    return false;
}

// One event as a line of the table, or as JSON.
void PrintEvent(const std::string& file, const LogEvent& e, bool json)
{
    if (json) {
        std::printf("{\"file\": %s, \"event\": \"%s\", \"start\": \"%s\", \"end\": \"%s\", \"duration_ms\": %lld, \"records\": %llu, "
                    "\"first_record\": %llu, \"worst_rf_dbuv\": %s}\n",
                    JsonString(file).c_str(), LogEventName(e.kind), IsoTime(e.start).c_str(), IsoTime(e.end).c_str(),
                    static_cast<long long>((e.end - e.start) / 10000), static_cast<unsigned long long>(e.records),
                    static_cast<unsigned long long>(e.firstRecord), e.kind == LogEventKind::Gap ? "null" : std::to_string(e.worstRf).c_str());
        return;
    }
    std::printf("%-23s  %-23s  %12s  %-10s  %s\n", IsoTime(e.start).c_str(), IsoTime(e.end).c_str(), SpanText(e.end - e.start).c_str(), LogEventName(e.kind),
                e.kind == LogEventKind::Gap ? "-" : std::to_string(e.worstRf).c_str());
}

void PrintEventSummary(const std::string& file, const LogEventSummary& s, std::size_t events, bool json)
{
    static const char* const states[4] = {"received_well", "jamming", "no_signal", "data_error"};
    if (json) {
        std::string line = "{\"file\": " + JsonString(file) + ", \"records\": " + std::to_string(s.records) + ", \"first\": \"" + IsoTime(s.first) +
                           "\", \"last\": \"" + IsoTime(s.last) + "\", \"events\": " + std::to_string(events);
        for (int k = 0; k < 4; ++k)
            line += std::string(", \"") + states[k] + "_ms\": " + std::to_string(s.stateTime[static_cast<std::size_t>(k)] / 10000);
        std::printf("%s, \"no_answer_ms\": %lld}\n", line.c_str(), static_cast<long long>(s.gapTime / 10000));
        return;
    }
    std::printf("%s\nrecords: %llu, %s to %s (%s)\n", file.c_str(), static_cast<unsigned long long>(s.records), IsoTime(s.first).c_str(),
                IsoTime(s.last).c_str(), SpanText(s.last - s.first).c_str());
    std::printf("received well %s, jamming %s, no signal %s, data error %s, no answer %s\n", SpanText(s.stateTime[0]).c_str(),
                SpanText(s.stateTime[1]).c_str(), SpanText(s.stateTime[2]).c_str(), SpanText(s.stateTime[3]).c_str(), SpanText(s.gapTime).c_str());
    std::printf("%zu events\n", events);
}

int Events(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    bool json = false;
    LogEventOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--low-rf" && i + 1 < args.size()) {
            if (!ParseLevel("--low-rf", args[++i], options.lowRf))
                return kExitUsage;
        } else if (!args[i].empty() && args[i][0] != '-') {
            files.push_back(args[i]);
        } else {
            return Usage();
        }
    }
    if (files.empty())
        return Usage();
    for (const std::string& file : files) {
        std::vector<LogEvent> events;
        LogEventSummary summary;
        if (const int r = FindLogEvents(file, options, events, summary); r != kLogOpened)
            return OpenFailure(r, file, file);
        PrintEventSummary(file, summary, events.size(), json);
        if (!json && !events.empty())
            std::printf("%-23s  %-23s  %12s  %-10s  %s\n", "start", "end", "duration", "event", "worst RF [dBuV]");
        for (const LogEvent& e : events)
            PrintEvent(file, e, json);
        if (!json && &file != &files.back())
            std::printf("\n");
    }
    return kExitOk;
}

int Occupancy(const std::vector<std::string>& args)
{
    std::string file;
    int threshold = 25;
    bool csv = false, json = false, clean = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--threshold" && i + 1 < args.size()) {
            if (!ParseLevel("--threshold", args[++i], threshold))
                return kExitUsage;
        } else if (args[i] == "--csv") {
            csv = true;
        } else if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--clean") {
            clean = true;
        } else if (file.empty() && !args[i].empty() && args[i][0] != '-') {
            file = args[i];
        } else {
            return Usage();
        }
    }
    if (file.empty() || (csv && json))
        return Usage();
    SpectrumOccupancy o;
    std::string badPart;
    if (const int r = ComputeOccupancy(file, threshold, o, &badPart); r != kLogOpened)
        return OpenFailure(r, file, badPart);
    if (clean) {
        // The frequencies that never reached the threshold, widest range first.
        if (csv)
            std::printf("start_mhz,stop_mhz,points\n");
        for (const CleanRange& c : o.clean) {
            if (csv)
                std::printf("%s,%s,%d\n", MhzText(c.startKhz).c_str(), MhzText(c.stopKhz).c_str(), c.points);
            else if (json)
                std::printf("{\"start_khz\": %d, \"stop_khz\": %d, \"points\": %d}\n", c.startKhz, c.stopKhz, c.points);
            else
                std::printf("%s - %s MHz  %d points\n", MhzText(c.startKhz).c_str(), MhzText(c.stopKhz).c_str(), c.points);
        }
        if (!csv && !json && o.clean.empty())
            std::printf("No frequency stayed below %d dBuV.\n", threshold);
        return kExitOk;
    }
    if (csv)
        std::printf("frequency_mhz,highest_dbuv,median_dbuv,busy_share,sweeps\n");
    else if (!json)
        std::printf("%-11s  %7s  %6s  %9s  %6s\n", "MHz", "highest", "median", "busy", "sweeps");
    for (const FrequencyOccupancy& p : o.points) {
        if (csv)
            std::printf("%s,%d,%d,%.4f,%u\n", MhzText(p.khz).c_str(), p.highest, p.median, p.BusyShare(), p.sweeps);
        else if (json)
            std::printf("{\"frequency_khz\": %d, \"highest_dbuv\": %d, \"median_dbuv\": %d, \"busy_share\": %.4f, \"sweeps\": %u}\n", p.khz, p.highest,
                        p.median, p.BusyShare(), p.sweeps);
        else
            std::printf("%-11s  %7d  %6d  %8.1f%%  %6u\n", MhzText(p.khz).c_str(), p.highest, p.median, 100.0 * p.BusyShare(), p.sweeps);
    }
    return kExitOk;
}

int Report(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    std::string output;
    ReportOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            output = args[++i];
        } else if (args[i] == "--low-rf" && i + 1 < args.size()) {
            if (!ParseLevel("--low-rf", args[++i], options.lowRf))
                return kExitUsage;
        } else if (args[i] == "--threshold" && i + 1 < args.size()) {
            if (!ParseLevel("--threshold", args[++i], options.threshold))
                return kExitUsage;
        } else if (args[i] == "--plan" && i + 1 < args.size()) {
            if (!ParseWholeNumber(args[++i], 1000, options.planCount) || options.planCount < 1) {
                std::fprintf(stderr, "zrq6930 log report: --plan takes a number of carriers from 1 to 1000\n");
                return kExitUsage;
            }
        } else if (!args[i].empty() && args[i][0] != '-') {
            files.push_back(args[i]);
        } else {
            return Usage();
        }
    }
    if (files.empty() || output.empty())
        return Usage();
    if (OutputIsAnInput(output, files)) {
        std::fprintf(stderr, "%s\n", ConvertResultMessage(kConvertSameFile, output).c_str());
        return kExitUsage;
    }
    if (!IsRegularFileOrAbsent(output)) {
        std::fprintf(stderr, "%s\n", ConvertResultMessage(kConvertCannotCreate, output).c_str());
        return kExitFailure;
    }
    // One writer per output at a time, across processes, as for conversions.
    CNameLock lock;
    if (const int locked = lock.Acquire(output); locked != 0) {
        std::fprintf(stderr, "%s\n", ConvertResultMessage(locked == 1 ? kConvertBusy : kConvertCannotCreate, output).c_str());
        return kExitFailure;
    }
    std::string html, badFile;
    if (const int r = BuildServiceReport(files, options, html, &badFile); r != kLogOpened)
        return OpenFailure(r, badFile.empty() ? files.front() : badFile, badFile);
    // Written beside the name and renamed into place when whole.
    if (!WriteWholeFile(output, html)) {
        std::fprintf(stderr, "zrq6930 log report: cannot write %s: %s\n", output.c_str(), errno == ENOSPC ? "the disk is full" : std::strerror(errno ? errno : EIO));
        return kExitFailure;
    }
    std::printf("%s\n", output.c_str());
    return kExitOk;
}

} // namespace

int CmdLog(const std::vector<std::string>& args)
{
    if (args.empty())
        return Usage();
    const std::string sub = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (sub == "convert")
        return Convert(rest);
    if (sub == "info") {
        if (rest.size() != 1)
            return Usage();
        LogSummary s;
        std::string badPart;
        if (int r = SummarizeLog(rest[0], s, &badPart); r != kLogOpened)
            return OpenFailure(r, rest[0], badPart);
        std::fputs(FormatLogSummary(s).c_str(), stdout);
        return kExitOk;
    }
    if (sub == "events")
        return Events(rest);
    if (sub == "occupancy")
        return Occupancy(rest);
    if (sub == "report")
        return Report(rest);
    if (sub == "export") {
        if (rest.size() != 2 || (rest[0] != "--csv" && rest[1] != "--csv"))
            return Usage();
        const std::string file = rest[0] == "--csv" ? rest[1] : rest[0];
        std::string badPart;
        const int r = ExportLogCsv(file, stdout, &badPart);
        if (r == kExportWriteFailed)
            return kExitFailure; // main tells why
        if (r != kLogOpened)
            return OpenFailure(r, file, badPart);
        return kExitOk;
    }
    return Usage();
}

} // namespace zr::cli
