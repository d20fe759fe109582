#pragma once
// JSON string literals for the command line's --json output and the live
// publishing: one escaping rule for every JSON the tool writes.
#include <string>

namespace zr {

// `s` as a JSON string literal, quotes included. Bytes that are not UTF-8
// become lone surrogates U+DC00+byte, so any file name survives the trip.
std::string JsonString(const std::string& s);

} // namespace zr
