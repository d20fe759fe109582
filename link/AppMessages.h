#pragma once
// Application messages: WM_APP + n identifiers shared by the link, the logs and
// the windows. Dependency-free on purpose; every layer includes it.
#include <cstdint>

namespace zr {

constexpr uint32_t WM_APP = 0x8000;

constexpr uint32_t WM_APP_LINK_CLOSED = WM_APP + 7;         // link, 0
constexpr uint32_t WM_APP_IDENTIFY_DONE = WM_APP + 8;       // link, 0 identified / 1 failed
constexpr uint32_t WM_APP_ONESHOT_DONE = WM_APP + 11;       // link, kind
constexpr uint32_t WM_APP_ONESHOT_FAILED = WM_APP + 12;     // link, kind
constexpr uint32_t WM_APP_POLL_REPLY = WM_APP + 13;         // link, kind
constexpr uint32_t WM_APP_POLL_FAILED = WM_APP + 14;        // link, kind
constexpr uint32_t WM_APP_SPSCAN_START = WM_APP + 17;       // RecNo, int32_t[3] start/stop/step kHz (send)
constexpr uint32_t WM_APP_CHSCAN_START = WM_APP + 18;       // RecNo, uint16_t* bank (send)
constexpr uint32_t WM_APP_SPSCAN_STOP = WM_APP + 20;        // RecNo, 0
constexpr uint32_t WM_APP_CHSCAN_STOP = WM_APP + 21;        // RecNo, 0
constexpr uint32_t WM_APP_WALK_START = WM_APP + 22;         // RecNo, 0 (send)
constexpr uint32_t WM_APP_WALK_STOP = WM_APP + 23;          // RecNo, 0 (send)
constexpr uint32_t WM_APP_FBS_CLOSED = WM_APP + 24;         // RecNo, 0
constexpr uint32_t WM_APP_ID_VIEW_CLOSED = WM_APP + 25;     // 0, 0
constexpr uint32_t WM_APP_SHOW_FW_VERSION = WM_APP + 28;    // 0, 0 (send) -> 1 shown
constexpr uint32_t WM_APP_QUERY_QUIT = WM_APP + 38;         // 0, 0 (send) -> 1 close
constexpr uint32_t WM_APP_SPSCAN_CHANGE_VIEW = WM_APP + 39; // storage, log state
constexpr uint32_t WM_APP_LOG_TIME_LIMIT = WM_APP + 41;     // 0, 0
constexpr uint32_t WM_APP_POWER_RESUMED = WM_APP + 42;      // 0, 0 (send)
constexpr uint32_t WM_APP_SHOW_ID_VIEW = WM_APP + 43;       // 0, 0 (send) -> 1 shown
constexpr uint32_t WM_APP_LOG_LOADING = WM_APP + 44;        // 1 start / 0 end, dialog mode (send)
constexpr uint32_t WM_APP_SPLOG_LOADING = WM_APP + 45;      // 1 start / 0 end, 1 viewer (send)
constexpr uint32_t WM_APP_CONVERT_RUNNING = WM_APP + 46;    // 1 start / 0 end, 0 (send)
constexpr uint32_t WM_APP_LOAD_PROGRESS_STEP = WM_APP + 47; // 0, 0 (send)

} // namespace zr
