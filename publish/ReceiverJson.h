#pragma once
// A receiver's table row as JSON fields, the same for `monitor --json` and
// for live publishing.
#include <cstdint>
#include <string>

#include "link/ReceiverRow.h"

namespace zr {

// `"no": 1, "port": ..., "bank": ..., ..., "status": ...` without braces: the
// cells' values without their padding, the frequency as a number (null when
// `frequencyKhz` is 0).
std::string ReceiverRowFields(const RowTexts& cells, const std::string& port, int32_t frequencyKhz);
// The frequency a row shows: its F0 value, 0 where the cell shows none.
int32_t ShownFrequencyKhz(const StateRecord& record, const RowTexts& cells);

} // namespace zr
