// Measures the engine's tick as the wheel sees it: the real quorforce.dll bound to the
// virtual wheel on Wine's own HID stack, which stamps every report where hidclass hands it
// to the device. Prints the period (mean, p99, worst, gaps over two steps), the drift of
// tick n against the first + n × step, reports a second, the latency from DIEP_START to
// the first report with the force, the CPU of this process and that of the whole machine
// (under Wine: this process, Wine's server and the device host together). Measures, never
// judges.
//   quorforce_measure_ticks.exe [seconds] [effects] [polling step ms]
// 0 effects measures the idle engine: a bound wheel, nothing playing. "floor" instead of
// the count measures the platform without the driver: a thread like the force thread that
// only waits for its deadlines and writes a fixed report, which is as steady as the
// engine's period can be on this machine. "starts" takes the first number as a count of
// starts and measures DIEP_START to the first report with the force for each. "updates"
// runs a game thread that updates one playing constant force 60 times a second for the
// seconds given and measures each update's return to the first report with the new force.
// "wakes" measures that path's floor without the driver: a thread woken 60 times a second
// writes a report, from the wake to the report. "calls" times each driver call with 64 playing
// effects (as quorforce_call_latency does on the host). Before the numbers, any "--set NAME=VALUE"
// is written to the wheel's device key (a tuning value or a game switch such as Low_Latency).
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/call_timing.h"
#include "harness/wine/virtual_wheel.h"

#include <tlhelp32.h>

namespace {

using namespace wine_test;

using Stamped = StampedReport;

void PopStamped(HANDLE channel, std::vector<Stamped>& into) {
    for (Stamped& report : ReceivedStamped(channel))
        into.push_back(std::move(report));
}

void DropStamped(HANDLE channel) { ReceivedStamped(channel); }

// Performance-counter ticks in ms (the wheel's stamps and this program's readings alike).
double Milliseconds(LONGLONG ticks) {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency);
}

std::uint64_t FiletimeValue(const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

double CpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return static_cast<double>(FiletimeValue(kernel) + FiletimeValue(user)) / 10000.0;
}

// The CPU in ms of each thread of this process but the calling one, in the order they were
// made: the engine's force thread, then its poll thread.
std::vector<double> OtherThreadsMilliseconds() {
    struct Made {
        std::uint64_t created;
        double cpu;
    };
    std::vector<Made> threads;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId() ||
            entry.th32ThreadID == GetCurrentThreadId()) {
            continue;
        }
        const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        FILETIME created, exited, kernel, user;
        if (thread != nullptr && GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
            threads.push_back(
                {FiletimeValue(created),
                 static_cast<double>(FiletimeValue(kernel) + FiletimeValue(user)) / 10000.0});
        }
        if (thread != nullptr) CloseHandle(thread);
    }
    CloseHandle(snapshot);
    std::sort(threads.begin(), threads.end(),
              [](const Made& a, const Made& b) { return a.created < b.created; });
    std::vector<double> cpu;
    for (const Made& t : threads)
        cpu.push_back(t.cpu);
    return cpu;
}

// The busy time of every core in ms, from Linux's /proc/stat through Wine's Z: drive (in
// clock ticks of 10 ms); -1 where there is no such file, as on Windows.
double MachineBusyMilliseconds() {
    std::FILE* stat = std::fopen("Z:\\proc\\stat", "r");
    if (stat == nullptr) return -1;
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0;
    const int fields = std::fscanf(stat, "cpu %llu %llu %llu %llu %llu %llu %llu", &user, &nice,
                                   &system, &idle, &iowait, &irq, &softirq);
    std::fclose(stat);
    return fields == 7 ? 10.0 * static_cast<double>(user + nice + system + irq + softirq) : -1;
}

double Percentile(std::vector<double> values, int percent) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * percent / 100)];
}

void PrintPeriods(const std::vector<Stamped>& reports, DWORD step) {
    std::vector<double> periods;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        if (reports[i].kind == 1 && reports[i - 1].kind == 1) {
            periods.push_back(Milliseconds(reports[i].counter - reports[i - 1].counter));
        }
    }
    if (periods.empty()) {
        std::printf("measure-ticks: no output reports\n");
        return;
    }
    double sum = 0;
    int gaps = 0;
    for (double p : periods) {
        sum += p;
        gaps += p > 2.0 * step ? 1 : 0;
    }
    const double p99 = Percentile(periods, 99);
    const double span = Milliseconds(reports.back().counter - reports.front().counter);
    const double drift = span - static_cast<double>(periods.size()) * step;
    std::printf(
        "period: mean %.3f ms, p99 %.3f ms, worst %.3f ms, %d gaps over %lu ms; "
        "%.1f reports/s; drift of the last tick %+.1f ms over %zu ticks\n",
        sum / static_cast<double>(periods.size()), p99, Percentile(periods, 100), gaps,
        static_cast<unsigned long>(2 * step), 1000.0 * static_cast<double>(periods.size()) / span,
        drift, periods.size());
}

struct FloorRun {
    HANDLE device;
    DWORD step;
    DWORD seconds;
};

// The force thread's shape without the driver: deadline after deadline at the engine's
// priority and timer resolution, a sleep, then one overlapped write that is waited for.
DWORD WINAPI FloorThread(LPVOID parameter) {
    const FloorRun& run = *static_cast<FloorRun*>(parameter);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    unsigned char report[3] = {0x01, 0x80, 0x80};
    const DWORD begun = timeGetTime();
    DWORD deadline = begun;
    while (timeGetTime() - begun < run.seconds * 1000) {
        DWORD written = 0;
        if (!WriteFile(run.device, report, sizeof report, &written, &overlapped) &&
            GetLastError() == ERROR_IO_PENDING) {
            WaitForSingleObject(overlapped.hEvent, 100);
        }
        deadline += run.step;
        const DWORD now = timeGetTime();
        if (static_cast<LONG>(deadline - now) > 0) Sleep(deadline - now);
    }
    CloseHandle(overlapped.hEvent);
    return 0;
}

int MeasureFloor(HANDLE channel, int seconds, DWORD step) {
    const std::string path = WaitForInterface(kHidInterface, WheelPart(0));
    FloorRun run = {
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr),
        step, static_cast<DWORD>(seconds)};
    if (run.device == INVALID_HANDLE_VALUE) {
        std::printf("measure-ticks: the wheel's HID device did not open\n");
        return 3;
    }
    DropStamped(channel);
    std::vector<Stamped> reports;
    timeBeginPeriod(1);
    const HANDLE thread = CreateThread(nullptr, 0, FloorThread, &run, CREATE_SUSPENDED, nullptr);
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(thread);
    while (WaitForSingleObject(thread, 500) == WAIT_TIMEOUT)
        PopStamped(channel, reports);
    PopStamped(channel, reports);
    timeEndPeriod(1);
    CloseHandle(thread);
    CloseHandle(run.device);
    std::printf("measure-ticks: %d s, the platform without the driver, step %lu ms\n", seconds,
                static_cast<unsigned long>(step));
    PrintPeriods(reports, step);
    return 0;
}

bool CarriesForce(const Stamped& report) {
    return report.kind == 1 && report.bytes.size() >= 2 && report.bytes[1] != 0x80;
}

// DIEP_START to the first report that carries the force, over `count` starts of one
// constant force on an otherwise idle engine. The records are taken only once the report
// must have gone out (two steps and a little later), so that taking them does not compete
// with the send measured.
int MeasureStarts(IDirectInputEffectDriver* driver, HANDLE channel, int count, DWORD step) {
    DICONSTANTFORCE force = {1000};
    DirectInputEffect effect = Effect(&force, sizeof force, 9000);
    std::vector<double> latencies;
    int missed = 0;
    for (int i = 0; i < count; ++i) {
        DropStamped(channel);
        LARGE_INTEGER started;
        QueryPerformanceCounter(&started);
        DWORD handle = 0;
        if (driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_START) != S_OK) break;
        Sleep(2 * step + 5);
        std::vector<Stamped> reports;
        PopStamped(channel, reports);
        const auto first = std::find_if(reports.begin(), reports.end(), CarriesForce);
        if (first != reports.end()) {
            latencies.push_back(Milliseconds(first->counter - started.QuadPart));
        } else {
            ++missed;
        }
        driver->DestroyEffect(0, handle);
        Sleep(3 * step);  // the neutral report goes out before the next start
    }
    std::printf("measure-ticks: %d starts of one effect, polling step %lu ms\n", count,
                static_cast<unsigned long>(step));
    if (latencies.empty()) {
        std::printf("measure-ticks: no report carried the force\n");
        return 4;
    }
    std::printf(
        "DIEP_START to the first report with the force: median %.3f ms, p99 %.3f ms, worst "
        "%.3f ms; %d starts without it within two steps\n",
        Percentile(latencies, 50), Percentile(latencies, 99), Percentile(latencies, 100), missed);
    return 0;
}

// The magnitudes an update cycles through: each gives the report a channel byte of its own,
// which the calibration learns, so that the report of each update is known by its bytes.
constexpr LONG kUpdateMagnitudes[] = {1000, 3000, 5000, 7000, -1000, -3000, -5000, -7000};
constexpr int kUpdateCount = sizeof kUpdateMagnitudes / sizeof kUpdateMagnitudes[0];

struct UpdateRun {
    IDirectInputEffectDriver* driver;
    DWORD handle;
    DWORD seconds;
    std::vector<LONGLONG> returned;  // each update's return
    std::vector<int> which;          // its magnitude's index
};

LONGLONG Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

bool Update(IDirectInputEffectDriver* driver, DWORD handle, LONG magnitude) {
    DICONSTANTFORCE force = {magnitude};
    DirectInputEffect effect = Effect(&force, sizeof force, 9000);
    return driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_TYPESPECIFICPARAMS) == S_OK;
}

// The game: an update every 1/60 s on its own grid, at a phase that drifts against the tick's.
DWORD WINAPI GameThread(LPVOID parameter) {
    UpdateRun& run = *static_cast<UpdateRun*>(parameter);
    const DWORD begun = timeGetTime();
    for (int n = 1;; ++n) {
        const DWORD due = begun + static_cast<DWORD>(n * 1000 / 60);
        const DWORD now = timeGetTime();
        if (now - begun >= run.seconds * 1000) break;
        if (static_cast<LONG>(due - now) > 0) Sleep(due - now);
        const int index = n % kUpdateCount;
        if (!Update(run.driver, run.handle, kUpdateMagnitudes[index])) continue;
        run.returned.push_back(Counter());
        run.which.push_back(index);
    }
    return 0;
}

// The output report's bytes for each magnitude, each held for three steps.
bool Calibrate(IDirectInputEffectDriver* driver, DWORD handle, HANDLE channel, DWORD step,
               std::vector<Bytes>& bytes) {
    for (LONG magnitude : kUpdateMagnitudes) {
        if (!Update(driver, handle, magnitude)) return false;
        Sleep(3 * step + 10);
        std::vector<Stamped> reports;
        PopStamped(channel, reports);
        if (reports.empty() || reports.back().kind != 1) return false;
        bytes.push_back(reports.back().bytes);
    }
    for (std::size_t i = 0; i < bytes.size(); ++i)
        for (std::size_t j = i + 1; j < bytes.size(); ++j)
            if (bytes[i] == bytes[j]) return false;
    return true;
}

// From each mark to the first report after it with its bytes: 0 when that report went out
// before the mark; missed when the next mark came first.
std::vector<double> LatenciesToReports(const std::vector<LONGLONG>& marks,
                                       const std::vector<Bytes>& expected,
                                       const std::vector<Stamped>& reports, int& missed) {
    std::vector<double> latencies;
    std::size_t from = 0;
    for (std::size_t u = 0; u < marks.size(); ++u) {
        const LONGLONG next = u + 1 < marks.size() ? marks[u + 1] : LLONG_MAX;
        // The call began after the previous mark: its report comes after that.
        const LONGLONG after = u > 0 ? marks[u - 1] : 0;
        while (from < reports.size() && reports[from].counter < after)
            ++from;
        std::size_t r = from;
        while (r < reports.size() && reports[r].counter < next &&
               (reports[r].kind != 1 || reports[r].bytes != expected[u]))
            ++r;
        if (r < reports.size() && reports[r].counter < next) {
            latencies.push_back(std::max(0.0, Milliseconds(reports[r].counter - marks[u])));
        } else {
            ++missed;
        }
    }
    return latencies;
}

// "<what> to the wire: median X ms, p99 Y ms" and the worst, of the marks' latencies; 4 when
// no report carried a mark.
int PrintLatencies(const char* what, const std::vector<LONGLONG>& marks,
                   const std::vector<Bytes>& expected, const std::vector<Stamped>& reports) {
    int missed = 0;
    const std::vector<double> latencies = LatenciesToReports(marks, expected, reports, missed);
    if (latencies.empty()) {
        std::printf("measure-ticks: no report carried a %s\n", what);
        return 4;
    }
    std::printf("%s to the wire: median %.3f ms, p99 %.3f ms\n", what, Percentile(latencies, 50),
                Percentile(latencies, 99));
    std::printf("(worst %.3f ms; %zu %ss, %d without their report before the next)\n",
                Percentile(latencies, 100), marks.size(), what, missed);
    return 0;
}

// Each update's return to the first report after its call with its bytes: 0 when that report
// went out before the call returned; missed when the next update came first.
int MeasureUpdates(IDirectInputEffectDriver* driver, HANDLE channel, int seconds, DWORD step) {
    DICONSTANTFORCE force = {kUpdateMagnitudes[0]};
    DirectInputEffect effect = Effect(&force, sizeof force, 9000);
    UpdateRun run = {driver, 0, static_cast<DWORD>(seconds), {}, {}};
    std::vector<Bytes> bytes;
    if (driver->DownloadEffect(0, 371, &run.handle, &effect.effect, DIEP_START) != S_OK ||
        !Calibrate(driver, run.handle, channel, step, bytes)) {
        std::printf("measure-ticks: the updates' reports could not be told apart\n");
        return 4;
    }
    std::vector<Stamped> reports;
    const HANDLE thread = CreateThread(nullptr, 0, GameThread, &run, 0, nullptr);
    while (WaitForSingleObject(thread, 500) == WAIT_TIMEOUT)
        PopStamped(channel, reports);
    Sleep(3 * step + 10);
    PopStamped(channel, reports);
    CloseHandle(thread);
    std::vector<Bytes> expected;
    for (int index : run.which)
        expected.push_back(bytes[static_cast<std::size_t>(index)]);
    std::printf("measure-ticks: %d s of updates 60 times a second, polling step %lu ms\n", seconds,
                static_cast<unsigned long>(step));
    return PrintLatencies("update", run.returned, expected, reports);
}

// The update path's floor on this platform, without the driver: a game thread 60 times a
// second wakes a writer thread at the engine's priority (an event), which writes a report of
// its own bytes and waits for it, as the low-latency path's extra pass does; from the wake to
// the report.
struct WakeRun {
    HANDLE device;
    HANDLE wake;
    DWORD seconds;
    volatile LONG next = 0;  // the report's middle byte, set before each wake
    volatile LONG stop = 0;
    std::vector<LONGLONG> woken;
    std::vector<Bytes> sent;
};

DWORD WINAPI WakeWriter(LPVOID parameter) {
    WakeRun& run = *static_cast<WakeRun*>(parameter);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    while (WaitForSingleObject(run.wake, INFINITE) == WAIT_OBJECT_0 &&
           InterlockedCompareExchange(&run.stop, 0, 0) == 0) {
        unsigned char report[3] = {0x01, static_cast<unsigned char>(run.next), 0x80};
        DWORD written = 0;
        if (!WriteFile(run.device, report, sizeof report, &written, &overlapped) &&
            GetLastError() == ERROR_IO_PENDING) {
            WaitForSingleObject(overlapped.hEvent, 100);
        }
    }
    CloseHandle(overlapped.hEvent);
    return 0;
}

DWORD WINAPI WakeGame(LPVOID parameter) {
    WakeRun& run = *static_cast<WakeRun*>(parameter);
    const DWORD begun = timeGetTime();
    for (int n = 1; timeGetTime() - begun < run.seconds * 1000; ++n) {
        const DWORD due = begun + static_cast<DWORD>(n * 1000 / 60);
        const DWORD now = timeGetTime();
        if (static_cast<LONG>(due - now) > 0) Sleep(due - now);
        const unsigned char byte = static_cast<unsigned char>(0x81 + n % 64);
        InterlockedExchange(&run.next, byte);
        SetEvent(run.wake);
        run.woken.push_back(Counter());  // as a driver call's return follows its wake
        run.sent.push_back({0x01, byte, 0x80});
    }
    return 0;
}

int MeasureWakes(HANDLE channel, int seconds) {
    const std::string path = WaitForInterface(kHidInterface, WheelPart(0));
    WakeRun run;
    run.device =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    run.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    run.seconds = static_cast<DWORD>(seconds);
    if (run.device == INVALID_HANDLE_VALUE) {
        std::printf("measure-ticks: the wheel's HID device did not open\n");
        return 3;
    }
    DropStamped(channel);
    timeBeginPeriod(1);
    const HANDLE writer = CreateThread(nullptr, 0, WakeWriter, &run, CREATE_SUSPENDED, nullptr);
    SetThreadPriority(writer, THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(writer);
    const HANDLE game = CreateThread(nullptr, 0, WakeGame, &run, 0, nullptr);
    std::vector<Stamped> reports;
    while (WaitForSingleObject(game, 500) == WAIT_TIMEOUT)
        PopStamped(channel, reports);
    InterlockedExchange(&run.stop, 1);
    SetEvent(run.wake);
    WaitForSingleObject(writer, 1000);
    Sleep(50);
    PopStamped(channel, reports);
    timeEndPeriod(1);
    CloseHandle(game);
    CloseHandle(writer);
    CloseHandle(run.wake);
    CloseHandle(run.device);
    std::printf("measure-ticks: %d s of wakes 60 times a second, the platform without the driver\n",
                seconds);
    return PrintLatencies("wake", run.woken, run.sent, reports);
}

// Each driver call's time with 64 playing constant forces.
int MeasureCalls(IDirectInputEffectDriver* driver, int seconds, DWORD step) {
    DICONSTANTFORCE force = {1500};
    DirectInputEffect effect = Effect(&force, sizeof force, 9000);
    std::vector<DWORD> handles;
    for (int i = 0; i < 64; ++i) {
        DWORD handle = 0;
        if (driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_START) == S_OK)
            handles.push_back(handle);
    }
    std::printf("measure-ticks: %d s of driver calls, %zu playing effects, polling step %lu ms\n",
                seconds, handles.size(), static_cast<unsigned long>(step));
    std::vector<quorforce::bench::CallSamples> times = quorforce::bench::TimeCalls(
        driver, handles, &effect.effect, &force.lMagnitude, seconds, 371);
    quorforce::bench::PrintCallTimes(times);
    return 0;
}

// The "--set NAME=VALUE" arguments, written to the device key.
void WriteSettings(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) != "--set") continue;
        const std::string setting = argv[++i];
        const std::size_t equals = setting.find('=');
        if (equals == std::string::npos) continue;
        const DWORD value =
            static_cast<DWORD>(std::strtoul(setting.c_str() + equals + 1, nullptr, 0));
        SetDeviceValue(setting.substr(0, equals).c_str(), value);
        std::printf("measure-ticks: %s\n", setting.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The settings are written once the device key's usual values are (below); argv keeps the
    // positional arguments only.
    const int settingsArgc = argc;
    char** const settingsArgv = argv;
    std::vector<char*> positional;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--set" && i + 1 < argc) {
            ++i;
            continue;
        }
        positional.push_back(argv[i]);
    }
    argc = static_cast<int>(positional.size());
    argv = positional.data();
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 65;
    const int effects = argc > 2 ? std::atoi(argv[2]) : 1;
    const DWORD step = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 16;
    const std::string mode = argc > 2 ? argv[2] : "";
    const HANDLE channel = OpenWheelChannel();
    if (channel == INVALID_HANDLE_VALUE) {
        std::printf("measure-ticks: the virtual wheel did not install\n");
        return 2;
    }
    if (mode == "floor") return MeasureFloor(channel, seconds, step);
    if (mode == "wakes") return MeasureWakes(channel, seconds);
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 1);
    SetDeviceValue("POLLING_STEP", step);
    WriteSettings(settingsArgc, settingsArgv);
    LoadedDriver dll;
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    if (driver == nullptr || driver->DeviceID(0x0800, 0, TRUE, 0, nullptr) != S_OK) {
        std::printf("measure-ticks: the driver did not load and bind\n");
        return 3;
    }
    LARGE_INTEGER started;
    Sleep(200);
    DropStamped(channel);
    std::vector<Stamped> reports;
    if (mode == "starts") {
        const int result = MeasureStarts(driver, channel, seconds, step);
        driver->Release();
        dll.Free();
        ClearDeviceKey();
        return result;
    }
    if (mode == "updates" || mode == "calls") {
        const int result = mode == "updates" ? MeasureUpdates(driver, channel, seconds, step)
                                             : MeasureCalls(driver, seconds, step);
        driver->Release();
        dll.Free();
        ClearDeviceKey();
        return result;
    }

    // The first effect's start, and the others: constant forces of 1000 each (their sum is
    // what the wheel gets, so the first report that carries it is seen).
    DICONSTANTFORCE force = {1000};
    DirectInputEffect effect = Effect(&force, sizeof force, 9000);
    QueryPerformanceCounter(&started);
    DWORD handle = 0;
    if (effects > 0) driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_START);
    for (int i = 1; i < effects; ++i) {
        force.lMagnitude = i % 2 == 0 ? 50 : -50;
        driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_START);
    }
    // The records are taken twice a second (the ring holds 4 s at 1 kHz), so that taking
    // them costs little beside what is measured; the span is the clock's, not a count of
    // sleeps.
    const double cpuBefore = CpuMilliseconds();
    const std::vector<double> threadsBefore = OtherThreadsMilliseconds();
    const double machineBefore = MachineBusyMilliseconds();
    const DWORD begun = GetTickCount();
    while (GetTickCount() - begun < static_cast<DWORD>(seconds) * 1000) {
        Sleep(500);
        PopStamped(channel, reports);
    }
    const double elapsed = static_cast<double>(GetTickCount() - begun);
    const double cpu = CpuMilliseconds() - cpuBefore;
    const std::vector<double> threadsAfter = OtherThreadsMilliseconds();
    const double machine = MachineBusyMilliseconds() - machineBefore;
    driver->Release();
    dll.Free();
    ClearDeviceKey();
    CloseHandle(channel);

    std::printf("measure-ticks: %d s, %d effects, polling step %lu ms\n", seconds, effects,
                static_cast<unsigned long>(step));
    if (effects > 0) {
        PrintPeriods(reports, step);
        for (const Stamped& r : reports) {
            if (CarriesForce(r)) {
                std::printf("DIEP_START to the first report with the force: %.3f ms\n",
                            Milliseconds(r.counter - started.QuadPart));
                break;
            }
        }
    } else {
        std::printf("%zu reports while idle\n", reports.size());
    }
    std::printf("CPU of the process: %.1f ms in %.1f s (%.2f %% of a core)\n", cpu,
                elapsed / 1000.0, 100.0 * cpu / elapsed);
    // Per tick of the step; the threads' clocks tick in 10 ms under Wine, a minute of it is
    // enough to read microseconds per tick.
    const double ticks = elapsed / static_cast<double>(step);
    if (threadsBefore.size() >= 2 && threadsAfter.size() >= 2) {
        std::printf("CPU of the engine's threads: force %.1f us, poll %.1f us a tick\n",
                    1000.0 * (threadsAfter[0] - threadsBefore[0]) / ticks,
                    1000.0 * (threadsAfter[1] - threadsBefore[1]) / ticks);
    }
    if (machineBefore >= 0) {
        std::printf("CPU of the machine: %.0f ms in %.1f s (%.2f %% of a core)\n", machine,
                    elapsed / 1000.0, 100.0 * machine / elapsed);
    }
    return 0;
}
