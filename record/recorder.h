// The session recorder: while a game's session is being recorded, the driver's hooks format
// each event into a line and add it to a bounded buffer; a writer thread of its own empties
// the buffer into the recording file and flushes it, so a game or the engine never waits on
// the disk. Off by default: every hook then costs one test of `Recording()`.
//
// Threads: Start and Stop run on DirectInput's callers (DeviceID, the release of the last
// driver object) and the module's unload; the hooks on whichever thread saw the event, under
// the mutex it happened under (the TableMutex for calls, ticks and output reports, the
// InputMutex for positions), so the file holds the events in the order the driver saw them.
// The format is docs/recordings.md.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "record/line_builder.h"

namespace quorforce {

inline std::atomic<bool> recordingOn{false};
// The hooks' one test.
inline bool Recording() { return recordingOn.load(std::memory_order_relaxed); }

constexpr std::uint32_t kRecordFormatVersion = 1;
constexpr std::uint64_t kDefaultFileCap = 64ull * 1024 * 1024;
constexpr std::size_t kDefaultQueueLines = 4096;

struct RecorderOptions {
    std::uint64_t fileCap = kDefaultFileCap;      // bytes; then a note and the file closes
    std::size_t queueLines = kDefaultQueueLines;  // the buffer's lines
    DWORD flushEveryMs = 50;                      // the writer's wake-up when idle
};

// What the first line after the version says of the session.
struct SessionHeader {
    std::uint32_t driverVersion = 0;
    std::uint32_t pollingStep = 0;
    const char* exe = "";
};

// Opens %LOCALAPPDATA%\Quorvane\Recordings\<exe>-<date>-<time>-<pid>.qfrec, writes the
// header and starts the writer; false (with a trace line, recording stays off) when the
// folder or the file cannot be made. A second Start while recording changes nothing.
bool StartRecording(const SessionHeader& header);
// The buffer, cap and flush of the sessions started after it (tests and benchmarks).
void SetRecorderOptions(const RecorderOptions& options);
// Ends the session: the writer empties the buffer, writes the end line and closes the file.
// `waitMs` bounds the wait for the writer (the module's unload holds the loader lock).
void StopRecording(DWORD waitMs);
// The path of the session's file (empty before the first Start).
const char* RecordingPath();
// Lines dropped so far in this session.
std::uint64_t RecordingDrops();

// A line begun with the clock and the event's word; Commit adds it to the buffer.
class RecordLine {
public:
    RecordLine(std::uint32_t clock, const char* kind);
    LineBuilder& Line() { return line_; }
    void Commit();

private:
    char text_[kLineSize];
    LineBuilder line_;
};

// The area whose device has this handle, for the reports the device library sends; -1 when
// none was bound while recording.
void NoteDeviceHandle(std::uint32_t area, HANDLE device);
int AreaOfDevice(HANDLE device);

}  // namespace quorforce
