// The debug trace and its sink.
#include "util/trace.h"

#include <cstdarg>
#include <cstdio>

#include "platform/win32.h"

namespace quorforce {

void EnableTrace(bool enabled) { traceEnabled.store(enabled, std::memory_order_relaxed); }

void Trace(const char* tag, int level, const char* format, ...) {
    char text[kTraceTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    TraceSink(tag, level, text);
}

void TraceSink(const char* tag, int, const char* text) {
    char line[kTraceTextSize + 32];
    std::snprintf(line, sizeof line, "quorforce: %s%s", tag, text);
    OutputDebugStringA(line);
}

}  // namespace quorforce
