// The Windows side of scripts/run-with-wheel: plugs the virtual wheel into the prefix, registers
// the driver as an installation does, starts one program and writes every report the wheel
// receives while it runs, with the time the wheel received it. One thread; never shipped.
//
//   quorforce_wheel_host.exe [--register DLL] [--set NAME=VALUE]... [--reports CSV]
//                            -- PROGRAM [ARGUMENTS...]
//
// Ends with the program's exit code, or 125 when the wheel, the registration or the start
// of the program failed (the program's own code cannot be told from a harness fault then).
// A --set NAME with backslashes is a path below the device key: "Profiles\game.exe\Game_Pause".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "harness/wine/virtual_wheel.h"

namespace {

using namespace wine_test;

constexpr int kHarnessFault = 125;

struct Options {
    std::string driver;
    std::vector<std::pair<std::string, DWORD>> values;
    std::string reports;
    std::vector<std::string> program;
};

bool Parse(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (option == "--register") {
            options.driver = value;
        } else if (option == "--reports") {
            options.reports = value;
        } else if (option == "--set" && value.find('=') != std::string::npos) {
            const std::size_t at = value.find('=');
            options.values.push_back(
                {value.substr(0, at), std::strtoul(value.c_str() + at + 1, nullptr, 0)});
        } else {
            return false;
        }
    }
    for (++i; i < argc; ++i)
        options.program.push_back(argv[i]);
    return !options.program.empty();
}

// A command line that hands the program its arguments unchanged (quotes around those with
// spaces or quotes, inner quotes escaped).
std::string CommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) {
            line += word;
            continue;
        }
        line += '"';
        std::size_t slashes = 0;
        for (char c : word) {
            if (c == '\\') {
                ++slashes;
                continue;
            }
            line.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
            slashes = 0;
            line += c;
        }
        line.append(2 * slashes, '\\');
        line += '"';
    }
    return line;
}

// The device key's value under the user's hive, else the machine's, else `fallback`: what
// the driver reads.
DWORD DeviceValue(const char* name, DWORD fallback) {
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(hive, kDeviceKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        DWORD value = 0, size = sizeof value, type = 0;
        const LONG read =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        if (read == ERROR_SUCCESS && type == REG_DWORD) return value;
    }
    return fallback;
}

struct Tally {
    unsigned long output = 0, notNeutral = 0, feature = 0;
};

// What an output report of the built-in wheel carries when it asks for no force, by the
// device key's mode: a vibration pad rests at 0 on both motors; a force-feedback wheel at the
// middle (0x80) of its two halves, or of the low byte only when it takes one value
// (Motor_Parameters not 0; its high byte is then unused).
struct Rest {
    unsigned char value = 0;
    unsigned bytes = 2;  // the force bytes after the report id
};

Rest RestOfTheWheel() {
    Rest rest;
    if (DeviceValue("Shock_or_Force_Feedback", 0) != 0) {
        rest.value = 0x80;
        rest.bytes = DeviceValue("Motor_Parameters", 0) != 0 ? 1 : 2;
    }
    return rest;
}

// Writes every report received so far and counts the output reports that ask for a force.
void Drain(HANDLE channel, FILE* csv, LONGLONG start, double frequency, const Rest& rest,
           Tally& tally) {
    for (const StampedReport& report : ReceivedStamped(channel)) {
        const bool output = report.kind == 1;
        if (output) {
            ++tally.output;
            bool neutral = true;
            for (unsigned i = 1; i <= rest.bytes && i < report.bytes.size(); ++i)
                neutral = neutral && report.bytes[i] == rest.value;
            tally.notNeutral += !neutral;
        } else {
            ++tally.feature;
        }
        if (csv == nullptr) continue;
        std::fprintf(csv, "%.3f,%s,",
                     1000.0 * static_cast<double>(report.counter - start) / frequency,
                     output ? "output" : "feature");
        for (std::size_t i = 0; i < report.bytes.size(); ++i)
            std::fprintf(csv, "%s%02X", i ? " " : "", report.bytes[i]);
        std::fputc('\n', csv);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: quorforce_wheel_host [--register DLL] [--set NAME=VALUE]... "
                     "[--reports CSV] -- PROGRAM [ARGUMENTS...]\n");
        return kHarnessFault;
    }
    const HANDLE channel = OpenWheelChannel();
    if (channel == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "run-with-wheel: the virtual wheel did not install\n");
        return kHarnessFault;
    }
    if (!options.driver.empty() && RunCommandLine("regsvr32 /s \"" + options.driver + "\"") != 0) {
        std::fprintf(stderr, "run-with-wheel: regsvr32 %s failed\n", options.driver.c_str());
        return kHarnessFault;
    }
    for (const auto& value : options.values)
        SetDeviceValue(value.first.c_str(), value.second);
    const Rest rest = RestOfTheWheel();

    FILE* csv = nullptr;
    if (!options.reports.empty()) {
        csv = std::fopen(options.reports.c_str(), "w");
        if (csv == nullptr) {
            std::fprintf(stderr, "run-with-wheel: cannot write %s\n", options.reports.c_str());
            return kHarnessFault;
        }
        std::fprintf(csv, "ms,kind,bytes\n");
    }
    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    Tally ignored;
    Drain(channel, nullptr, 0, 1.0, rest, ignored);  // the installation's, if any

    // The program starts in its own folder, as from a shortcut.
    std::string line = CommandLine(options.program);
    const std::string& path = options.program.front();
    const std::string folder = path.find_last_of("\\/") == std::string::npos
                                   ? std::string()
                                   : path.substr(0, path.find_last_of("\\/") + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        std::fprintf(stderr, "run-with-wheel: cannot start %s (error %lu)\n", line.c_str(),
                     GetLastError());
        return kHarnessFault;
    }
    const double ticks = static_cast<double>(frequency.QuadPart);
    Tally tally;
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT)
        Drain(channel, csv, start.QuadPart, ticks, rest, tally);
    // The driver's last report (the wheel at rest) is written before its process ends.
    Drain(channel, csv, start.QuadPart, ticks, rest, tally);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (csv != nullptr) std::fclose(csv);
    CloseHandle(channel);
    std::printf(
        "run-with-wheel: %lu output reports, %lu not neutral; %lu feature reports; "
        "exit code %lu\n",
        tally.output, tally.notNeutral, tally.feature, static_cast<unsigned long>(code));
    std::fflush(stdout);
    return static_cast<int>(code);
}
