#pragma once
// Background Log to text: a description block, then one tab-separated line per
// record. Every line ends in CR LF.
#include <cstdint>
#include <functional>
#include <string>

#include "logs/LogFormat.h"

namespace zr {

enum ConvertResult {
    kConvertCompleted = 0,
    kConvertCannotOpen,   // kMsgCannotOpen
    kConvertInvalidType,  // kMsgInvalidType
    kConvertDeclined,     // the user kept the existing output
    kConvertCannotCreate, // the output could not be created
    kConvertWriteFailed,  // writing the output failed part-way
    kConvertEmptyRemoved, // the output came out empty and was removed
    kConvertBusy,         // the same output is being written by another conversion
    kConvertSameFile,     // the output names the source itself (a link, the same path)
    kConvertTooLong,      // kMsgTooLong: longer than a Background Log can be
};

constexpr char kMsgOverwrite[] = "The output file (*.log) already exists. Do you want to overwrite it?";
constexpr char kMsgConversionCompleted[] = "Conversion completed.";
// The message for a result, or "" when none is shown.
std::string ConvertResultMessage(int result, const std::string& outputPath);

struct ConvertHooks {
    std::function<bool()> confirmOverwrite;          // true: overwrite
    std::function<void(bool running)> running;       // before the first block / after both files closed
    std::function<void(uint64_t blocksRead)> blocks; // blocks read so far (called per buffer, not per block)
};

int ConvertLogToText(const std::string& source, const std::string& output, const ConvertHooks& hooks);

// Where the dialog puts the text: the log folder, the source's name, ".log".
std::string ConvertOutputPath(const std::string& source, const std::string& logFolder);

// The text pieces, exposed for exactness tests.
void AppendHeaderLines(std::string& out, const uint8_t* header);
void AppendFirstRecordLines(std::string& out, const LogRecord& first);
void AppendDataLine(std::string& out, const LogRecord& record);
class CTimeText;
// The same, keeping the date text from one line to the next.
void AppendDataLine(std::string& out, const LogRecord& record, CTimeText& time);

} // namespace zr
