// quortest.exe under Wine and Xvfb, driven like a player drives it: its windows found,
// their texts read, its buttons pressed by posted messages, and screenshots kept in
// build/win32/screenshots/.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/wine/screenshot.h"
#include "tests/wine/wine_test_support.h"

namespace {

using namespace wine_test;

const char kBoxCaption[] = "QV FFB Tester";

std::string ScreenshotPath(const char* name) {
    const std::string folder = ThisFolder() + "..\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\" + name;
}

struct WindowSearch {
    DWORD process;
    std::string caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    if (owner == search.process && IsWindowVisible(window) && search.caption == text) {
        search.found.push_back(window);
    }
    return TRUE;
}

// The visible top-level windows of `process` with `caption`.
std::vector<HWND> WindowsOf(DWORD process, const std::string& caption) {
    WindowSearch search = {process, caption, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD process, const std::string& caption) {
    for (int i = 0; i < 600; ++i) {
        const std::vector<HWND> windows = WindowsOf(process, caption);
        if (!windows.empty()) return windows.front();
        Sleep(50);
    }
    return nullptr;
}

BOOL CALLBACK CollectText(HWND child, LPARAM parameter) {
    char text[512] = "";
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<std::vector<std::string>*>(parameter)->push_back(text);
    return TRUE;
}

std::vector<std::string> ChildTexts(HWND window) {
    std::vector<std::string> texts;
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// quortest.exe started from `folder` (where the DirectInput it gets is decided).
struct Tester {
    PROCESS_INFORMATION process = {};
    explicit Tester(const std::string& folder) {
        std::string line = "\"" + folder + "quortest.exe\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &process);
    }
    ~Tester() {
        if (process.hProcess == nullptr) return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 99);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    // The exit code once it ended within `ms`, or -1.
    long ExitCode(DWORD ms) const {
        if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }
};

// No force-feedback controller: one error box, and once it is dismissed the program ends
// with 0 without showing another.
TEST(Tester, WithoutADeviceShowsOneErrorAndEnds) {
    Tester tester(ThisFolder());
    ASSERT_NE(tester.process.hProcess, nullptr);
    HWND box = WaitForWindow(tester.process.dwProcessId, kBoxCaption);
    ASSERT_NE(box, nullptr) << "no error box";
    const std::vector<std::string> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Force feedback device not found."),
              texts.end());
    EXPECT_EQ(WindowsOf(tester.process.dwProcessId, kBoxCaption).size(), 1u);
    Sleep(500);  // painted
    EXPECT_TRUE(SaveScreenshot(box, ScreenshotPath("no-device.png")));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    const long code = tester.ExitCode(20000);
    EXPECT_TRUE(WindowsOf(tester.process.dwProcessId, kBoxCaption).empty()) << "a second box";
    EXPECT_EQ(code, 0);
}

}  // namespace
