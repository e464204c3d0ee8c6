// What the Windows test programs share: the driver's class and interface ids (the
// driver's own constants), the folder of the running program (quorforce.dll stands beside
// it), the DLL loaded from there, the DIEFFECT builder and the registry's reader.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <dinputd.h>

#include "driver/guids.h"
#include "harness/effect_builder.h"
#include "harness/wine/registry.h"

namespace wine_test {

constexpr const GUID& kClassId = quorforce::kEffectDriverClassId;
constexpr const GUID& kUnknown = quorforce::kUnknownInterfaceId;
constexpr const GUID& kClassFactory = quorforce::kClassFactoryInterfaceId;
constexpr const GUID& kEffectDriver = quorforce::kEffectDriverInterfaceId;

using quorforce::harness::DirectInputEffect;

typedef HRESULT(WINAPI* GetClassObjectFunction)(REFCLSID, REFIID, LPVOID*);

inline std::string ThisFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// An environment variable's value, "" when it is unset.
inline std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? "" : value;
}

// A Unix path as Wine's Z: drive shows it.
inline std::string WindowsPath(const std::string& unix) {
    std::string path = "Z:" + unix;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The win32 build's bin/, which QUORFORCE_32BIT_PROGRAMS names for the tests of both sizes
// in a 64-bit prefix, with a closing backslash; "" when it names none.
inline std::string Programs32() {
    const std::string folder = Env("QUORFORCE_32BIT_PROGRAMS");
    if (folder.empty()) return "";
    const std::string path = WindowsPath(folder);
    return path.back() == '\\' ? path : path + "\\";
}

typedef HRESULT(WINAPI* CanUnloadFunction)();

// quorforce.dll of this folder, loaded while this lives or until Free; its entry points are
// null when it did not load.
struct LoadedDriver {
    HMODULE module = nullptr;
    GetClassObjectFunction getClassObject = nullptr;
    CanUnloadFunction canUnload = nullptr;

    LoadedDriver() {
        module = LoadLibraryA((ThisFolder() + "quorforce.dll").c_str());
        Find(getClassObject, "DllGetClassObject");
        Find(canUnload, "DllCanUnloadNow");
    }
    LoadedDriver(const LoadedDriver&) = delete;
    LoadedDriver& operator=(const LoadedDriver&) = delete;
    ~LoadedDriver() { Free(); }

    // False when FreeLibrary fails.
    bool Free() {
        const bool freed = module == nullptr || FreeLibrary(module) != FALSE;
        module = nullptr;
        return freed;
    }
    // An export by name; false (and null) when there is none.
    template <typename Function>
    bool Find(Function& function, const char* name) const {
        function =
            module == nullptr
                ? nullptr
                : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        return function != nullptr;
    }
    IClassFactory* CreateFactory() const {
        IClassFactory* factory = nullptr;
        if (getClassObject == nullptr ||
            getClassObject(kClassId, kClassFactory, reinterpret_cast<void**>(&factory)) != S_OK) {
            return nullptr;
        }
        return factory;
    }
    // A driver object; the factory it came from is released again.
    IDirectInputEffectDriver* CreateDriver() const {
        IClassFactory* factory = CreateFactory();
        if (factory == nullptr) return nullptr;
        IDirectInputEffectDriver* driver = nullptr;
        factory->CreateInstance(nullptr, kEffectDriver, reinterpret_cast<void**>(&driver));
        factory->Release();
        return driver;
    }
};

// Runs a command line and waits for it (a minute at most, or timeoutMs: a process still
// running then is ended, so that no test run hangs on it); its exit code, or -1.
inline int RunCommandLine(std::string line, DWORD timeoutMs = 60000) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// A command line run on a thread of its own while the test goes on (see RunCommandLine).
class CommandInBackground {
public:
    explicit CommandInBackground(std::string line, DWORD timeoutMs = 60000)
        : line_(std::move(line)), timeoutMs_(timeoutMs) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    CommandInBackground(const CommandInBackground&) = delete;
    CommandInBackground& operator=(const CommandInBackground&) = delete;
    ~CommandInBackground() { Join(); }
    // Waits for it; its exit code, or -1.
    int Join() {
        if (thread_ != nullptr) {
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return code_;
    }

private:
    static DWORD WINAPI Run(LPVOID self) {
        auto& command = *static_cast<CommandInBackground*>(self);
        command.code_ = RunCommandLine(command.line_, command.timeoutMs_);
        return 0;
    }
    std::string line_;
    DWORD timeoutMs_;
    int code_ = -1;
    HANDLE thread_ = nullptr;
};

// This program's own command, with `arguments`.
inline std::string ThisProgram(const std::string& arguments) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return "\"" + std::string(self) + "\" " + arguments;
}

// Runs a program of this folder with its arguments.
inline int RunProgram(const std::string& name, const std::string& arguments) {
    return RunCommandLine("\"" + ThisFolder() + name + "\" " + arguments);
}

// One axis at `direction`, infinite, full gain, no trigger, no envelope; the record given.
inline DirectInputEffect Effect(void* record, DWORD size, LONG direction) {
    DirectInputEffect e;
    e.directions[0] = direction;
    e.Point(record, size);
    return e;
}

// What COM gives this process for the driver's class: 0 a driver that answers GetVersions,
// 1 REGDB_E_CLASSNOTREG, 2 anything else. A test program answers with it to --activate.
inline int ActivateInThisProcess() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IDirectInputEffectDriver* driver = nullptr;
    const HRESULT created = CoCreateInstance(kClassId, nullptr, CLSCTX_INPROC_SERVER, kEffectDriver,
                                             reinterpret_cast<void**>(&driver));
    int result = created == REGDB_E_CLASSNOTREG ? 1 : 2;
    if (SUCCEEDED(created) && driver != nullptr) {
        DIDRIVERVERSIONS versions = {sizeof versions, 0, 0, 0};
        result = driver->GetVersions(&versions) == S_OK ? 0 : 2;
        driver->Release();
    }
    CoUninitialize();
    return result;
}

// The same, asked of a fresh run of this program (COM keeps what a process loaded).
inline int ActivationInAFreshProcess() { return RunCommandLine(ThisProgram("--activate")); }

}  // namespace wine_test
