// The debug trace. A few operations format a line: the bind and its outcome, refused
// downloads, the start and end of a run of failed sends, skipped ticks, the unload. By
// default the lines go nowhere; with "Trace" set under the product key (read at load) they
// go to the debugger's output (OutputDebugStringA), where a device maker reads them with
// the platform's debug-output viewers. The driver writes no log and shows no message.
#pragma once

#include <atomic>

namespace quorforce {

constexpr int kTraceTextSize = 512;

// Set at load; read by every thread, so a plain flag would race.
inline std::atomic<bool> traceEnabled{false};
inline bool TraceEnabled() { return traceEnabled.load(std::memory_order_relaxed); }
void EnableTrace(bool enabled);

// Formats the line into a 512-byte text (cut there) and hands it to TraceSink. Called
// through QF_TRACE, which formats nothing while the trace is off.
void Trace(const char* tag, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The sink: "quorforce: " + tag + text to the debugger's output.
void TraceSink(const char* tag, int level, const char* text);

}  // namespace quorforce

// A trace line, formatted only while the trace is on: the per-tick paths pay one load.
#define QF_TRACE(tag, level, ...)                            \
    do {                                                     \
        if (::quorforce::TraceEnabled()) {                   \
            ::quorforce::Trace((tag), (level), __VA_ARGS__); \
        }                                                    \
    } while (0)
