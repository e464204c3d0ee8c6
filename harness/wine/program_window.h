// A Windows program a GUI test drives, as a player would: started from a folder, its visible
// top-level windows found by their caption, the texts of their controls read; a program
// still running when the test ends is ended, so that no test run hangs on it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wine_test {

class StartedProgram {
public:
    // Runs `commandLine` in `currentFolder` (the test's own when empty).
    explicit StartedProgram(std::string commandLine, const std::string& currentFolder = "") {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup,
                       &process_);
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram() {
        if (process_.hProcess == nullptr) return;
        if (RunsAfter(0)) Terminate();
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    bool Started() const { return process_.hProcess != nullptr; }
    // True while it still runs `ms` from now.
    bool RunsAfter(DWORD ms) const {
        return WaitForSingleObject(process_.hProcess, ms) == WAIT_TIMEOUT;
    }
    void Terminate() const { TerminateProcess(process_.hProcess, 99); }
    // The exit code once it ended within `ms`, or -1.
    long ExitCode(DWORD ms) const {
        if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }
    // Its visible top-level windows with `caption`.
    std::vector<HWND> Windows(const std::string& caption) const {
        Search search = {process_.dwProcessId, caption, {}};
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    // The first of them within half a minute; none once the program has ended.
    HWND WaitForWindow(const std::string& caption) const {
        for (int i = 0; i < 600; ++i) {
            const std::vector<HWND> windows = Windows(caption);
            if (!windows.empty()) return windows.front();
            if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }

private:
    struct Search {
        DWORD process;
        std::string caption;
        std::vector<HWND> found;
    };
    static BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
        auto& search = *reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char text[256] = "";
        GetWindowTextA(window, text, sizeof text);
        if (owner == search.process && IsWindowVisible(window) && search.caption == text)
            search.found.push_back(window);
        return TRUE;
    }

    PROCESS_INFORMATION process_ = {};
};

inline BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
    char text[512] = "";
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
    return TRUE;
}

// The texts of a window's controls, its children's children too.
inline std::vector<std::string> ChildTexts(HWND window) {
    std::vector<std::string> texts;
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

}  // namespace wine_test
