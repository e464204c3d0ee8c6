// The recorder's session: its buffer, its file and its writer thread.
#include "record/recorder.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "record/event_queue.h"
#include "record/recording_path.h"
#include "state/shared_table.h"
#include "util/trace.h"

namespace quorforce {
namespace {

struct Session {
    // A hook that tested the flag just before a session ended may still be adding to the
    // buffer: a buffer is never freed while the module lives, only retired.
    std::vector<std::unique_ptr<EventQueue>> queues;
    std::atomic<EventQueue*> queue{nullptr};
    std::FILE* file = nullptr;
    std::uint64_t written = 0;
    std::uint64_t cap = kDefaultFileCap;
    DWORD flushEveryMs = 50;
    HANDLE thread = nullptr;
    HANDLE stopEvent = nullptr;
    HANDLE finished = nullptr;  // set by the writer once the file is closed
    volatile LONG stopping = 0;
    char path[kRecordingPathSize] = {};
    RecorderOptions options;
    std::atomic<HANDLE> devices[kAreaCount] = {};
};

Session& TheSession() {
    static Session session;
    return session;
}

// The clock that begins every line, for the drop and cap lines the writer adds before it.
std::size_t ClockLength(const char* text, std::size_t length) {
    std::size_t n = 0;
    while (n < length && text[n] >= '0' && text[n] <= '9')
        ++n;
    return n;
}

// Writes `text` unless it would take the file past its cap; then the note and the close.
void WriteCapped(Session& s, const char* text, std::size_t length) {
    if (s.file == nullptr) return;
    constexpr std::size_t kNoteRoom = 128;
    if (s.written + length + kNoteRoom > s.cap) {
        char note[kNoteRoom];
        const int n = std::snprintf(note, sizeof note, "%.*s note cap bytes=%llu\n",
                                    static_cast<int>(ClockLength(text, length)), text,
                                    static_cast<unsigned long long>(s.cap));
        if (n > 0) std::fwrite(note, 1, static_cast<std::size_t>(n), s.file);
        std::fclose(s.file);
        s.file = nullptr;
        recordingOn.store(false, std::memory_order_relaxed);
        QF_TRACE("WARNING  ", 1, "recording %s reached its cap: closed\n", s.path);
        return;
    }
    std::fwrite(text, 1, length, s.file);
    s.written += length;
}

// Everything the buffer holds into the file, then one flush: what a crash leaves is whole
// up to here.
void Drain(Session& s) {
    char text[kLineSize];
    std::size_t length = 0;
    std::uint32_t drops = 0;
    EventQueue* queue = s.queue.load();
    while (queue->Take(text, &length, &drops)) {
        if (drops != 0) {
            char line[64];
            const int n = std::snprintf(line, sizeof line, "%.*s drop count=%u\n",
                                        static_cast<int>(ClockLength(text, length)), text,
                                        static_cast<unsigned>(drops));
            if (n > 0) WriteCapped(s, line, static_cast<std::size_t>(n));
        }
        WriteCapped(s, text, length);
    }
    if (s.file != nullptr) std::fflush(s.file);
}

DWORD WINAPI WriterThread(LPVOID) {
    Session& s = TheSession();
    while (InterlockedCompareExchange(&s.stopping, 0, 0) == 0) {
        Drain(s);
        WaitForSingleObject(s.stopEvent, s.flushEveryMs);
    }
    Drain(s);
    const std::uint32_t pending = s.queue.load()->PendingDrops();
    if (s.file != nullptr) {
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%lu end drops=%u\n",
                                    static_cast<unsigned long>(timeGetTime()),
                                    static_cast<unsigned>(pending));
        if (n > 0) WriteCapped(s, line, static_cast<std::size_t>(n));
        if (s.file != nullptr) std::fclose(s.file);
        s.file = nullptr;
    }
    SetEvent(s.finished);
    return 0;
}

void WriteHeader(Session& s, const SessionHeader& header) {
    char text[kLineSize];
    const int n = std::snprintf(
        text, sizeof text, "qfrec %u\n%lu session driver=0x%X size=%u polling-step=%u exe=%s\n",
        static_cast<unsigned>(kRecordFormatVersion), static_cast<unsigned long>(timeGetTime()),
        static_cast<unsigned>(header.driverVersion), static_cast<unsigned>(sizeof(void*) * 8),
        static_cast<unsigned>(header.pollingStep), header.exe);
    if (n > 0) WriteCapped(s, text, static_cast<std::size_t>(n));
}

void CloseHandles(Session& s) {
    for (HANDLE* h : {&s.thread, &s.stopEvent, &s.finished}) {
        if (*h != nullptr) CloseHandle(*h);
        *h = nullptr;
    }
}

}  // namespace

void SetRecorderOptions(const RecorderOptions& options) { TheSession().options = options; }

bool StartRecording(const SessionHeader& header) {
    Session& s = TheSession();
    const RecorderOptions& options = s.options;
    if (Recording() || s.thread != nullptr) return true;
    char path[kRecordingPathSize];
    if (!MakeRecordingPath(header.exe, path, sizeof path)) {
        QF_TRACE("WARNING  ", 1, "recording: no folder for recordings can be made: off\n");
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        QF_TRACE("WARNING  ", 1, "recording: %s cannot be written: off\n", path);
        return false;
    }
    std::memcpy(s.path, path, sizeof path);
    s.queues.emplace_back(new EventQueue(options.queueLines));
    s.queue.store(s.queues.back().get());
    s.file = file;
    s.written = 0;
    s.cap = options.fileCap;
    s.flushEveryMs = options.flushEveryMs;
    for (auto& device : s.devices)
        device.store(nullptr, std::memory_order_relaxed);
    WriteHeader(s, header);
    s.stopping = 0;
    s.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s.finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s.thread = CreateThread(nullptr, 0, WriterThread, nullptr, 0, nullptr);
    if (s.thread == nullptr || s.stopEvent == nullptr || s.finished == nullptr) {
        std::fclose(s.file);
        s.file = nullptr;
        CloseHandles(s);
        QF_TRACE("WARNING  ", 1, "recording: no writer thread: off\n");
        return false;
    }
    QF_TRACE("INFO     ", 1, "recording to %s\n", s.path);
    recordingOn.store(true, std::memory_order_relaxed);
    return true;
}

void StopRecording(DWORD waitMs) {
    Session& s = TheSession();
    recordingOn.store(false, std::memory_order_relaxed);
    if (s.thread == nullptr) return;
    InterlockedExchange(&s.stopping, 1);
    SetEvent(s.stopEvent);
    // The writer's finished event, not its handle: a thread's end takes the loader lock.
    if (WaitForSingleObject(s.finished, waitMs) != WAIT_OBJECT_0) return;
    CloseHandles(s);
}

const char* RecordingPath() { return TheSession().path; }

std::uint64_t RecordingDrops() {
    const Session& s = TheSession();
    const EventQueue* queue = s.queue.load();
    return queue != nullptr ? queue->TotalDrops() : 0;
}

RecordLine::RecordLine(std::uint32_t clock, const char* kind) : line_(text_, sizeof text_) {
    line_.Unsigned(clock).Char(' ').Text(kind);
}

void RecordLine::Commit() {
    EventQueue* queue = TheSession().queue.load();
    if (queue == nullptr) return;
    line_.Char('\n');
    if (line_.Overflowed()) {
        queue->CountDrop();
        return;
    }
    queue->Add(text_, line_.Length());
}

void NoteDeviceHandle(std::uint32_t area, HANDLE device) {
    if (area < kAreaCount) TheSession().devices[area].store(device, std::memory_order_relaxed);
}

int AreaOfDevice(HANDLE device) {
    Session& s = TheSession();
    for (int area = 0; area < static_cast<int>(kAreaCount); ++area)
        if (device != nullptr && s.devices[area].load(std::memory_order_relaxed) == device)
            return area;
    return -1;
}

}  // namespace quorforce
