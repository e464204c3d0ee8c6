// The real quorforce.dll under Wine, loaded the way DirectInput loads it: exports and the
// class factory, the driver object, downloads and play without a device, settings from the
// real registry, the table shared with a second process, and unloading while the engine
// threads run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "harness/wine/object_security.h"
#include "harness/wine/wine_test_support.h"

#include <tlhelp32.h>

namespace {

using namespace wine_test;

const char* const kProductKey = quorforce::kProductKey;

// The threads of this process, by id.
std::vector<DWORD> ProcessThreads() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.push_back(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return ids;
}

// Threads that were not there before (Wine's own threads come and go; ids tell them apart).
std::vector<DWORD> NewThreads(const std::vector<DWORD>& before) {
    std::vector<DWORD> fresh;
    for (DWORD id : ProcessThreads()) {
        bool known = false;
        for (DWORD old : before)
            known = known || old == id;
        if (!known) fresh.push_back(id);
    }
    return fresh;
}

// The threads among `ids` that run at `priority` (the engine's, not Wine's own).
std::vector<DWORD> WithPriority(const std::vector<DWORD>& ids, int priority) {
    std::vector<DWORD> matching;
    for (DWORD id : ids) {
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
        if (thread != nullptr && GetThreadPriority(thread) == priority) matching.push_back(id);
        if (thread != nullptr) CloseHandle(thread);
    }
    return matching;
}

DirectInputEffect ConstantEffect(DICONSTANTFORCE* force) {
    return Effect(force, sizeof *force, 9000);
}

// The COM entry points by their undecorated names (the export table's whole list is the
// exports test's matter).
TEST(Dll, FactoryLocksAndTheDriverObject) {
    LoadedDriver dll;
    ASSERT_NE(dll.module, nullptr);
    ASSERT_TRUE(dll.getClassObject != nullptr && dll.canUnload != nullptr);
    EXPECT_EQ(dll.canUnload(), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(dll.getClassObject(kClassId, kClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(dll.canUnload(), S_FALSE);
    factory->Release();
    EXPECT_EQ(dll.canUnload(), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.getClassObject(kEffectDriver, kClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);

    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    void* other = nullptr;
    EXPECT_EQ(driver->QueryInterface(kUnknown, &other), S_OK);
    static_cast<IUnknown*>(other)->Release();
    EXPECT_EQ(driver->QueryInterface(kClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    DIDRIVERVERSIONS versions = {sizeof versions, 0, 0, 0};
    EXPECT_EQ(driver->GetVersions(&versions), S_OK);
    EXPECT_EQ(versions.dwFirmwareRevision, 3u);
    EXPECT_EQ(versions.dwHardwareRevision, 5u);
    EXPECT_EQ(versions.dwFFDriverVersion, 3871u);
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(dll.canUnload(), S_FALSE);  // a driver object has existed
}

TEST(Dll, EffectsPlayWithoutADevice) {
    LoadedDriver dll;
    ASSERT_NE(dll.module, nullptr);
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->DeviceID(0x0800, 0, TRUE, 0, nullptr), E_FAIL);
    DICONSTANTFORCE force = {5000};
    DirectInputEffect effect = ConstantEffect(&force);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_START), S_OK);
    EXPECT_EQ(handle, 1u);
    DWORD status = 0;
    EXPECT_EQ(driver->GetEffectStatus(0, handle, &status), S_OK);
    EXPECT_EQ(status, DIEGES_PLAYING);
    DIDEVICESTATE state = {sizeof state, 0, 0};
    EXPECT_EQ(driver->GetForceFeedbackState(0, &state), S_OK);
    EXPECT_EQ(state.dwLoad, 2u);
    EXPECT_EQ(driver->DestroyEffect(0, handle), S_OK);
    EXPECT_EQ(driver->DestroyEffect(0, handle), E_HANDLE);
    driver->Release();
}

// A second process that loads the driver sees what this one downloaded.
TEST(Dll, SecondProcessSeesTheEffects) {
    LoadedDriver dll;
    ASSERT_NE(dll.module, nullptr);
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    DICONSTANTFORCE force = {7000};
    DirectInputEffect effect = ConstantEffect(&force);
    DWORD first = 0, second = 0;
    ASSERT_EQ(driver->DownloadEffect(0, 371, &first, &effect.effect, 0), S_OK);
    ASSERT_EQ(driver->DownloadEffect(0, 371, &second, &effect.effect, DIEP_START), S_OK);

    EXPECT_EQ(RunCommandLine(ThisProgram("--child-expects-playing=" + std::to_string(second))), 0);
    driver->DestroyEffect(0, first);
    driver->DestroyEffect(0, second);
    driver->Release();
}

constexpr int kRacingDownloads = 30;

// The downloads each of two racing processes makes: constants of `magnitude`, started; how
// many succeeded.
int DownloadRacing(IDirectInputEffectDriver* driver, LONG magnitude) {
    DICONSTANTFORCE force = {magnitude};
    DirectInputEffect effect = ConstantEffect(&force);
    int downloaded = 0;
    for (int i = 0; i < kRacingDownloads; ++i) {
        DWORD handle = 0;
        downloaded += driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_START) == S_OK;
    }
    return downloaded;
}

// Two processes download to the same device at the same moment: every download gets a slot
// of its own, none is lost and none is handed out twice.
TEST(Dll, TwoProcessesDownloadingAtOnceShareTheSlots) {
    LoadedDriver dll;
    ASSERT_NE(dll.module, nullptr);
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "quorforce-test-ready");
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, "quorforce-test-go");
    CommandInBackground child(ThisProgram("--child-downloads"));
    EXPECT_EQ(WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);
    SetEvent(go);
    const int downloaded = DownloadRacing(driver, 100);
    EXPECT_EQ(child.Join(), kRacingDownloads);
    EXPECT_EQ(downloaded, kRacingDownloads);
    int playing = 0;
    for (DWORD handle = 1; handle <= 64; ++handle) {
        DWORD status = 0;
        driver->GetEffectStatus(0, handle, &status);
        playing += status == DIEGES_PLAYING;
        driver->DestroyEffect(0, handle);
    }
    EXPECT_EQ(playing, 2 * kRacingDownloads);
    driver->Release();
    CloseHandle(ready);
    CloseHandle(go);
}

// "THREAD_PRIORITY" 3 in the real registry gives both engine threads below-normal priority.
// They are made at the first use, not by the load.
TEST(Dll, ReadsTheEngineSettingsFromTheRegistry) {
    ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kProductKey, "THREAD_PRIORITY", 3));  // below normal
    const std::vector<DWORD> before = ProcessThreads();
    {
        LoadedDriver dll;
        ASSERT_NE(dll.module, nullptr);
        Sleep(50);
        EXPECT_EQ(WithPriority(NewThreads(before), THREAD_PRIORITY_BELOW_NORMAL).size(), 0u);
        IClassFactory* factory = dll.CreateFactory();
        ASSERT_NE(factory, nullptr);
        EXPECT_EQ(WithPriority(NewThreads(before), THREAD_PRIORITY_BELOW_NORMAL).size(), 2u);
        factory->Release();
    }
    DeleteValue(HKEY_CURRENT_USER, kProductKey, "THREAD_PRIORITY");
}

void SetProductValue(const char* name, DWORD value) {
    WriteDword(HKEY_CURRENT_USER, kProductKey, name, value);
}

// A control panel's thread of normal priority keeps the processor busy, so that the engine
// threads, at or below its priority, are preempted wherever they are.
DWORD WINAPI Busy(LPVOID stop) {
    while (InterlockedCompareExchange(static_cast<volatile LONG*>(stop), 0, 0) == 0) {}
    return 0;
}

// FreeLibrary while both threads tick every millisecond with an effect playing: the image
// goes at once, so no engine thread may still run an instruction of it, at any priority.
TEST(Dll, UnloadingWhileTheThreadsTickLeavesNoThread) {
    SetProductValue("POLLING_STEP", 1);
    volatile LONG stop = 0;
    HANDLE busy = CreateThread(nullptr, 0, Busy, const_cast<LONG*>(&stop), 0, nullptr);
    DWORD slowest = 0;
    int over20 = 0;
    const struct {
        DWORD code;
        int priority;
    } rows[] = {{0, THREAD_PRIORITY_TIME_CRITICAL},
                {1, THREAD_PRIORITY_HIGHEST},
                {2, THREAD_PRIORITY_NORMAL},
                {3, THREAD_PRIORITY_BELOW_NORMAL},
                {4, THREAD_PRIORITY_LOWEST}};
    for (const auto& row : rows) {
        SetProductValue("THREAD_PRIORITY", row.code);
        for (int cycle = 0; cycle < 60 && !HasFailure(); ++cycle) {
            SCOPED_TRACE(testing::Message() << "priority code " << row.code << ", cycle " << cycle);
            const std::vector<DWORD> before = ProcessThreads();
            LoadedDriver dll;
            IDirectInputEffectDriver* driver = dll.CreateDriver();
            ASSERT_NE(driver, nullptr);
            DICONSTANTFORCE force = {5000};
            DirectInputEffect effect = ConstantEffect(&force);
            DWORD handle = 0;
            EXPECT_EQ(driver->DownloadEffect(0, 371, &handle, &effect.effect, DIEP_START), S_OK);
            const std::vector<DWORD> engine = WithPriority(NewThreads(before), row.priority);
            EXPECT_EQ(engine.size(), 2u);
            driver->DestroyEffect(0, handle);
            driver->Release();
            EXPECT_TRUE(dll.Free());
            // The threads only leave the system's exit path once the unload is over. How
            // soon is timing, reported below; the bound here is loose, for emulated and
            // loaded machines.
            const DWORD unloaded = GetTickCount();
            bool left = true;
            while (left && GetTickCount() - unloaded <= 1000) {
                left = !WithPriority(engine, row.priority).empty();
                if (left) Sleep(1);
            }
            EXPECT_FALSE(left) << "an engine thread is left 1 s after the unload";
            const DWORD gone = GetTickCount() - unloaded;
            slowest = std::max(slowest, gone);
            over20 += gone > 20 ? 1 : 0;
        }
    }
    std::printf(
        "[ measured ] engine threads gone at most %lu ms after an unload; %d of 300 "
        "unloads over 20 ms\n",
        slowest, over20);
    InterlockedExchange(&stop, 1);
    WaitForSingleObject(busy, INFINITE);
    CloseHandle(busy);
    for (const char* name : {"THREAD_PRIORITY", "POLLING_STEP"})
        DeleteValue(HKEY_CURRENT_USER, kProductKey, name);
}

// A program that loads the driver and frees it before its first use, or after asking only
// for the factory, leaves no thread behind and nothing running in the freed image.
TEST(Dll, UnloadingBeforeTheFirstUseLeavesNoThread) {
    for (int cycle = 0; cycle < 50 && !HasFailure(); ++cycle) {
        SCOPED_TRACE(testing::Message() << "cycle " << cycle);
        const std::vector<DWORD> before = ProcessThreads();
        {
            LoadedDriver dll;
            ASSERT_NE(dll.module, nullptr);
            if (cycle % 2 == 1) {
                IClassFactory* factory = dll.CreateFactory();
                ASSERT_NE(factory, nullptr);
                factory->Release();
            }
        }
        const DWORD unloaded = GetTickCount();
        auto engineLeft = [&] {
            return !WithPriority(NewThreads(before), THREAD_PRIORITY_BELOW_NORMAL).empty();
        };
        while (engineLeft() && GetTickCount() - unloaded <= 1000)
            Sleep(1);
        EXPECT_FALSE(engineLeft()) << "an engine thread is left 1 s after the unload";
    }
}

// The child side of SecondProcessSeesTheEffects.
int ChildExpectsPlaying(DWORD handle) {
    LoadedDriver dll;
    if (dll.module == nullptr) return 2;
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    if (driver == nullptr) return 3;
    DWORD status = 0;
    const HRESULT result = driver->GetEffectStatus(0, handle, &status);
    DWORD earlier = 1;
    driver->GetEffectStatus(0, handle - 1, &earlier);
    driver->Release();
    return result == S_OK && status == DIEGES_PLAYING && earlier == 0 ? 0 : 1;
}

// The child side of TwoProcessesDownloadingAtOnceShareTheSlots: loads, says it is ready,
// waits for the go and downloads; the effects stay for the parent to count. The exit code
// is the count of downloads that succeeded.
int ChildDownloads() {
    LoadedDriver dll;
    IDirectInputEffectDriver* driver = dll.module != nullptr ? dll.CreateDriver() : nullptr;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, "quorforce-test-ready");
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, "quorforce-test-go");
    if (driver == nullptr || ready == nullptr || go == nullptr) return 100;
    SetEvent(ready);
    WaitForSingleObject(go, 30000);
    const int downloaded = DownloadRacing(driver, -100);
    driver->Release();
    CloseHandle(ready);
    CloseHandle(go);
    return downloaded;
}

// The security each named object carries, read back from the object: exactly the three
// allow entries (the system and the administrators everything; signed-in users what a driver
// does with it), a protected DACL and a medium no-write-up label.
TEST(Dll, NamedObjectsCarryTheirSecurity) {
    LoadedDriver dll;
    ASSERT_NE(dll.module, nullptr);
    struct Expected {
        const char* name;
        bool mutex;
        DWORD full;
        DWORD users;
    };
    const Expected objects[] = {
        {"{6B2D9F41-1C7E-4A35-8D62-0E9B4F7A2C15}", true, MUTEX_ALL_ACCESS,
         SYNCHRONIZE | MUTEX_MODIFY_STATE},
        {"{3E8B5D27-94A1-4C60-B7F3-2D15E6C08A9E}", true, MUTEX_ALL_ACCESS,
         SYNCHRONIZE | MUTEX_MODIFY_STATE},
        {"{6B2D9F40-1C7E-4A35-8D62-0E9B4F7A2C15}", false, SECTION_ALL_ACCESS,
         FILE_MAP_READ | FILE_MAP_WRITE},
        {"{6B2D9F42-1C7E-4A35-8D62-0E9B4F7A2C15}", false, SECTION_ALL_ACCESS,
         FILE_MAP_READ | FILE_MAP_WRITE},
    };
    const std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid),
                            admins = WellKnownSid(WinBuiltinAdministratorsSid),
                            users = WellKnownSid(WinAuthenticatedUserSid);
    const std::vector<AccessEntry> label = {{SYSTEM_MANDATORY_LABEL_ACE_TYPE,
                                             SYSTEM_MANDATORY_LABEL_NO_WRITE_UP,
                                             WellKnownSid(WinMediumLabelSid)}};
    for (const Expected& object : objects) {
        SCOPED_TRACE(object.name);
        HANDLE handle = object.mutex ? OpenMutexA(READ_CONTROL, FALSE, object.name)
                                     : OpenFileMappingA(READ_CONTROL, FALSE, object.name);
        ASSERT_NE(handle, nullptr) << GetLastError();
        const ObjectSecurity security = ReadObjectSecurity(handle);
        CloseHandle(handle);
        ASSERT_TRUE(security.read);
        EXPECT_TRUE(security.protectedDacl);
        EXPECT_EQ(security.dacl,
                  (std::vector<AccessEntry>{{ACCESS_ALLOWED_ACE_TYPE, object.full, system},
                                            {ACCESS_ALLOWED_ACE_TYPE, object.full, admins},
                                            {ACCESS_ALLOWED_ACE_TYPE, object.users, users}}));
        EXPECT_EQ(security.label, label);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--child-downloads") == 0) return ChildDownloads();
    }
    const char* childFlag = "--child-expects-playing=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], childFlag, std::strlen(childFlag)) == 0) {
            return ChildExpectsPlaying(
                static_cast<DWORD>(std::atoi(argv[i] + std::strlen(childFlag))));
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
