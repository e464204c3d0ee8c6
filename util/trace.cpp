// The debug trace and its discarding sink.
#include "util/trace.h"

#include <cstdarg>
#include <cstdio>

namespace quorforce {

void Trace(const char* tag, int level, const char* format, ...) {
    char text[kTraceTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    TraceSink(tag, level, text);
}

void TraceSink(const char*, int, const char*) {}

}  // namespace quorforce
