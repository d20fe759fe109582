// log convert, log info, log export.
#include <cstdio>
#include <filesystem>

#include "cli/CliCommon.h"
#include "logs/LogConvert.h"
#include "logs/LogExport.h"
#include "logs/LogReader.h"
#include "platform/LogFolder.h"

namespace zr::cli {

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: zrq6930 log convert SOURCE.nlg [-o OUTPUT] [--force]\n"
                         "       zrq6930 log info FILE\n"
                         "       zrq6930 log export FILE --csv\n");
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
        std::fprintf(stderr, "%s: %s\n", file.c_str(), result == kLogCannotOpen ? kMsgCannotOpen : kMsgInvalidType);
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
        return OpenFailure(result == kConvertCannotOpen ? kLogCannotOpen : kLogInvalidType, source, source);
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
