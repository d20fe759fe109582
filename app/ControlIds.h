#pragma once
// Control and command ids of the main window, as its resources number them.
namespace zr {

// Main view form.
constexpr int kIdReceiverTable = 1000;
constexpr int kIdWalkButton = 1001;
constexpr int kIdChScanButton = 1002;
constexpr int kIdSpScanButton = 1003;
constexpr int kIdFbsButton = 1004;
constexpr int kIdConnectButton = 1005;
constexpr int kToolButtonCount = 4; // 1001 to 1004

// Menu commands.
constexpr int kCmdAbout = 57664;
constexpr int kCmdExit = 57665;
constexpr int kCmdViewWalkLog = 32779;
constexpr int kCmdViewSpectrumLog = 32782;
constexpr int kCmdViewBackgroundLog = 32785;
constexpr int kCmdConvertToText = 32786;
constexpr int kCmdOpenLogFolder = 32787;
constexpr int kCmdStartRecording = 32788;
constexpr int kCmdStopRecording = 32789;
constexpr int kCmdFrequencyPlan = 32790;
constexpr int kCmdCheckFrequencies = 32791;

} // namespace zr
