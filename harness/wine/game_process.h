// A game process for the Windows tests: quorforce_game_client.exe of a folder playing a
// constant force on joystick 0 until it is ended, with the named events it signals when the
// force plays and waits on to end.
#pragma once

#include <windows.h>

#include <string>

namespace wine_test {

class GameProcess {
public:
    GameProcess(const std::string& folder, LONG magnitude) {
        static int games = 0;
        const std::string tag = "quorforce-game-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(++games);
        ready_ = CreateEventA(nullptr, TRUE, FALSE, (tag + "-ready").c_str());
        end_ = CreateEventA(nullptr, TRUE, FALSE, (tag + "-end").c_str());
        std::string line = "\"" + folder + "quorforce_game_client.exe\" 0 " +
                           std::to_string(magnitude) + " " + tag + "-ready " + tag + "-end";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process_);
    }
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;
    ~GameProcess() {
        if (process_.hProcess != nullptr) {
            SetEvent(end_);
            if (WaitForSingleObject(process_.hProcess, 30000) != WAIT_OBJECT_0) {
                TerminateProcess(process_.hProcess, 99);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        CloseHandle(ready_);
        CloseHandle(end_);
    }
    // True once the force plays; false when the game ended first or a minute passed (a
    // 32-bit process starts slowly under an emulator).
    bool WaitUntilPlaying() const {
        if (process_.hProcess == nullptr) return false;
        HANDLE either[2] = {ready_, process_.hProcess};
        return WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
    }
    // Ends the game; its exit code, or -1.
    long End() {
        SetEvent(end_);
        DWORD code = static_cast<DWORD>(-1);
        if (process_.hProcess != nullptr &&
            WaitForSingleObject(process_.hProcess, 60000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process_.hProcess, &code);
        }
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION process_ = {};
    HANDLE ready_ = nullptr;
    HANDLE end_ = nullptr;
};

}  // namespace wine_test
