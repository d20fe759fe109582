#pragma once
// Small helpers shared by the zrq6930 commands.
#include <string>
#include <vector>

#include "platform/JsonText.h"

namespace zr::cli {

using zr::JsonString;
// A whole number from 0 to `max`, the whole text; false otherwise.
bool ParseWholeNumber(const std::string& text, int max, int& out);
// kHz as "606.125".
std::string MhzText(int khz);
// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int CmdList(const std::vector<std::string>& args);
int CmdIdentify(const std::vector<std::string>& args);
int CmdMonitor(const std::vector<std::string>& args);
int CmdLog(const std::vector<std::string>& args);
int CmdRecord(const std::vector<std::string>& args);
int CmdFbs(const std::vector<std::string>& args);
int CmdId(const std::vector<std::string>& args);
int CmdScan(const std::vector<std::string>& args);
int CmdWalk(const std::vector<std::string>& args);
int CmdPlan(const std::vector<std::string>& args);

// Set by SIGINT, SIGTERM and SIGHUP.
bool StopRequested();
void InstallStopHandlers();
void IgnoreBrokenPipes();

} // namespace zr::cli
