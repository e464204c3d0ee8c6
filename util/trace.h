// The debug trace: a few operations format a line and hand it to a sink that discards it.
// The driver writes no log and shows no message.
#pragma once

namespace quorforce {

constexpr int kTraceTextSize = 512;

// Formats the line into a 512-byte text (cut there) and hands it to TraceSink.
void Trace(const char* tag, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The sink: it has no output.
void TraceSink(const char* tag, int level, const char* text);

}  // namespace quorforce
