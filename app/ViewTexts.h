#pragma once
// Texts of the main view that more than one of its files shows.
namespace zr {

inline constexpr char kRecordingRunning[] = "Background Log recording is running.";
inline constexpr char kQuitQuestion[] = "Do you quit this program?";

} // namespace zr
