#pragma once
// Diagnostic traces, off by default; ZRQ6930_TRACE=1 sends them to stderr.
namespace zr {
bool TraceEnabled();
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
} // namespace zr
