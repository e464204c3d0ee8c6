// The COM surface through the module's entry points: factory and lock counts, the driver
// object's interfaces, versions, state, refusals, binding and the settings it loads, and
// the module's load and unload.
#include <algorithm>
#include <thread>

#include "driver/shared_objects.h"
#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::Effect;
using test::ModuleTest;

class DriverObject : public ModuleTest {
protected:
    // In place of the built-in wheel, one of another model with the given joystick id.
    void PlugOtherModel(USHORT vendor, USHORT product, DWORD joystick) {
        wheel->Unplug();
        host::VirtualHidConfig other = host::BuiltInWheel();
        other.vendorId = vendor;
        other.productId = product;
        other.path = host::HidDevicePath(vendor, product, "0000");
        host::PlugVirtualHid(other);
        host::SetDeviceParametersEntry(other.path, {0xB0000002, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}},
                                       joystick);
    }
};

TEST_F(DriverObject, FactoryReferencesAreModuleLocks) {
    Attach();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    ASSERT_EQ(DllGetClassObject(kEffectDriverClassId, kClassFactoryInterfaceId,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(Module().lockCount, 1);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(Module().lockCount, 2);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(Module().lockCount, 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(kEffectDriverInterfaceId, kClassFactoryInterfaceId, &other),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(DllGetClassObject(kEffectDriverClassId, kClassFactoryInterfaceId, nullptr),
              E_POINTER);
}

TEST_F(DriverObject, CreationLocksTheModuleForGood) {
    Attach();
    ASSERT_EQ(DllGetClassObject(kEffectDriverClassId, kUnknownInterfaceId,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    IUnknown* outer = factory;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer, kEffectDriverInterfaceId, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Module().driverObjects, 0);
    // A refused interface destroys the new object again.
    EXPECT_EQ(factory->CreateInstance(nullptr, kClassFactoryInterfaceId, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Module().driverObjects, 0);
    ASSERT_EQ(factory->CreateInstance(nullptr, kEffectDriverInterfaceId,
                                      reinterpret_cast<void**>(&driver)),
              S_OK);
    EXPECT_EQ(host::OneMillisecondPeriodRequests(), 1);  // the engine's waits need it
    void* again = nullptr;
    EXPECT_EQ(driver->QueryInterface(kUnknownInterfaceId, &again), S_OK);
    EXPECT_EQ(again, static_cast<void*>(driver));
    EXPECT_EQ(driver->Release(), 1u);
    EXPECT_EQ(driver->QueryInterface(kClassFactoryInterfaceId, &again), E_NOINTERFACE);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(driver->Release(), 0u);
    driver = nullptr;
    factory->Release();
    factory = nullptr;
    // Two objects have existed: the lock count stays raised until the process ends.
    EXPECT_EQ(Module().lockCount, 2);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(Module().driverObjects, 0);
    EXPECT_EQ(host::OneMillisecondPeriodRequests(), 0);
}

TEST_F(DriverObject, VersionsEscapeAndGain) {
    Bind();
    DIDRIVERVERSIONS versions = {16, 0, 0, 0};
    EXPECT_EQ(driver->GetVersions(&versions), S_OK);
    EXPECT_EQ(versions.dwFirmwareRevision, 3u);
    EXPECT_EQ(versions.dwHardwareRevision, 5u);
    EXPECT_EQ(versions.dwFFDriverVersion, 3871u);
    DIDRIVERVERSIONS small = {12, 7, 7, 7};
    EXPECT_EQ(driver->GetVersions(&small), E_INVALIDARG);
    EXPECT_EQ(small.dwFirmwareRevision, 7u);
    EXPECT_EQ(driver->GetVersions(nullptr), E_INVALIDARG);
    EXPECT_EQ(driver->Escape(0, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(driver->SetGain(0, 5000), S_OK);
}

TEST_F(DriverObject, StateReportsFlagsAndLoad) {
    Bind();
    DIDEVICESTATE state = {sizeof state, 0, 0};
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSOFF), S_OK);
    EXPECT_EQ(driver->GetForceFeedbackState(0, &state), S_OK);
    EXPECT_EQ(state.dwState, 0x21u);
    EXPECT_EQ(state.dwLoad, 0u);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSON), S_OK);
    Effect e = Effect::Constant(1000);
    for (int i = 0; i < 10; ++i) {
        DWORD handle = 0;
        ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, 0), S_OK);
    }
    EXPECT_EQ(driver->GetForceFeedbackState(0, &state), S_OK);
    EXPECT_EQ(state.dwState, 0x10u);
    EXPECT_EQ(state.dwLoad, 16u);
    DIDEVICESTATE small = {8, 5, 5};
    EXPECT_EQ(driver->GetForceFeedbackState(0, &small), E_INVALIDARG);
    EXPECT_EQ(small.dwState, 5u);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, 0x03), E_NOTIMPL);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, 0), E_NOTIMPL);
}

TEST_F(DriverObject, RefusedIdsTouchNothingAndReleaseTheMutex) {
    Bind();
    EXPECT_EQ(driver->DeviceID(0x0800, 0, TRUE, 8, nullptr), E_FAIL);
    EXPECT_EQ(driver->DeviceID(0x0800, 16, TRUE, 1, nullptr), E_FAIL);  // ids go to 15
    EXPECT_EQ(driver->DeviceID(0x0800, 0xFFFFFFFFu, TRUE, 0, nullptr), E_FAIL);
    EXPECT_EQ(Module().process.placeOfArea[1], 0);
    // Another thread's download goes through: the mutex was released.
    std::thread other([this] {
        Effect e = Effect::Constant(1000);
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, 0), S_OK);
    });
    other.join();
    DWORD status = 7;
    EXPECT_EQ(driver->StartEffect(0, 65, 0, 1), E_HANDLE);
    EXPECT_EQ(driver->StartEffect(0, 2, 0, 1), E_HANDLE);  // not allocated
    EXPECT_EQ(driver->GetEffectStatus(0, 0, &status), E_HANDLE);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(driver->StopEffect(0, 0xFFFFFFFFu), E_HANDLE);
}

TEST_F(DriverObject, DeviceWithoutAWheelFailsAndSlotsStillWork) {
    Attach();
    CreateDriverObject();
    EXPECT_EQ(driver->DeviceID(0x0800, 5, TRUE, 2, nullptr), E_FAIL);  // no joystick 5
    EXPECT_EQ(Module().process.placeOfArea[2], 5);                     // the maps are written first
    EXPECT_EQ(Module().process.areaOfPlace[5], 2);
    Effect e = Effect::Constant(1000);
    DWORD handle = 0;
    EXPECT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, DIEP_START), S_OK);
    DWORD status = 0;
    EXPECT_EQ(driver->GetEffectStatus(0, handle, &status), S_OK);
    EXPECT_EQ(status, DIEGES_PLAYING);
    EXPECT_EQ(Table().areas[2].slotPlaying[0], 1);
}

// A rebind that fails leaves the link without handle and preparsed data but with its report
// length: a reset must not hand those to the parser and the device (no send is even begun,
// so no output buffer is allocated).
TEST_F(DriverObject, ResetOfALinkThatLostItsDeviceSendsNothing) {
    Bind();
    wheel->Unplug();
    EXPECT_EQ(driver->DeviceID(0x0800, 0, TRUE, 0, nullptr), E_FAIL);
    ASSERT_EQ(Module().process.deviceLinks[0].deviceHandle, nullptr);
    ASSERT_EQ(Module().process.deviceLinks[0].outputReportLength, 3);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
    EXPECT_EQ(Module().process.reports.outputBufferLength, 0);
}

TEST_F(DriverObject, DeviceIdFallsBackToTheSecondVendor) {
    PlugOtherModel(0x7B3E, 0x0042, 3);
    Attach();
    CreateDriverObject();
    EXPECT_EQ(driver->DeviceID(0x0800, 3, TRUE, 1, nullptr), S_OK);
    EXPECT_EQ(Table().vendorIds[3], 0x7B3E);
    EXPECT_EQ(Table().productIds[3], 0x0042);
    EXPECT_EQ(Module().process.deviceLinks[1].inUse, 1);
    EXPECT_EQ(Module().process.placeOfArea[1], 3);
    EXPECT_EQ(Module().process.areaOfPlace[3], 1);
}

// A maker's own wheel binds once the installation names it among the accepted devices, by
// model or by vendor, and not before, nor under another model's name.
TEST_F(DriverObject, AnotherVendorsWheelBindsOnlyWhenNamed) {
    PlugOtherModel(0x046D, 0xC294, 2);
    Attach();
    CreateDriverObject();
    const struct {
        const char* accepted;
        HRESULT bound;
    } rows[] = {
        {nullptr, E_FAIL},           {"VID_046D&PID_C295 VID_1234", E_FAIL},
        {"VID_046D&PID_C294", S_OK}, {"junk, vid_046d&pid_c294;", S_OK},
        {"VID_046D", S_OK},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.accepted != nullptr ? row.accepted : "(none)");
        if (row.accepted != nullptr) {
            const std::string text = row.accepted;
            host::SetRegistryValue(HKEY_LOCAL_MACHINE, kProductKey, "Accepted_Devices", REG_SZ,
                                   std::vector<BYTE>(text.begin(), text.end() + 1));
        }
        EXPECT_EQ(driver->DeviceID(0x0800, 2, TRUE, 0, nullptr), row.bound);
        EXPECT_EQ(Module().process.deviceLinks[0].inUse, row.bound == S_OK ? 1 : 0);
    }
    EXPECT_EQ(Table().vendorIds[2], 0x046D);
    EXPECT_EQ(Table().productIds[2], 0xC294);
}

// Every value's default is the catalogue's (its own test); here the bind reaches them all.
TEST_F(DriverObject, BindingLoadsTheDefaultsWithoutDriverKeys) {
    Bind();
    EXPECT_EQ(Table().vendorIds[0], 0x5A1C);
    EXPECT_EQ(Table().productIds[0], 0xE410);
    EXPECT_EQ(Table().settings[0].globalValue, 100);
    EXPECT_EQ(Table().settings[0].by10SpringCoef, 40);
    EXPECT_EQ(Module().process.deviceLinks[0].outputUsage, 0xBB);
    EXPECT_EQ(Module().engine.pollingStep, kDefaultPollingStep);
    EXPECT_EQ(ThreadPriorityOf(Module().engine.priorityCode), THREAD_PRIORITY_TIME_CRITICAL);
}

TEST_F(DriverObject, StoredValuesKeepTheirLowByte) {
    SetDeviceValue("Usage_Page", 0x0102);
    SetJoystickValue("Spring_Enabled", 0x100);
    SetJoystickValue("Static_Value", 70);
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, test::kWheelDeviceKey, "By10_Spring_Coef", REG_SZ,
                           {'5', 0});
    Bind();
    EXPECT_EQ(Module().process.deviceLinks[0].outputUsagePage, 0x02);
    EXPECT_EQ(Table().settings[0].springEnabled, 0);
    EXPECT_EQ(Table().settings[0].staticValue, 70);
    EXPECT_EQ(Table().settings[0].by10SpringCoef, 40);  // the wrong type counts as absent
}

TEST_F(DriverObject, FirstBindLoadsStrengthsAndClearsEffectImagesLaterOnesRereadTheDevice) {
    const std::string images = std::string(kEffectsKey) + "\\0";
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, images, "Value_Parameter_1", REG_BINARY, {1, 2});
    host::SetRegistryValue(HKEY_CURRENT_USER, images, "Value_Parameter_1", REG_BINARY, {1, 2});
    Bind();
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, images));
    EXPECT_TRUE(host::RegistryKeyExists(HKEY_CURRENT_USER, images));
    Table().settings[0].globalValue = 42;   // changed by a control panel
    SetDeviceValue("Motor_Parameters", 1);  // and the device key meanwhile
    SetDeviceValue("By10_Spring_Coef", 55);
    EXPECT_EQ(driver->DeviceID(0x0800, 0, FALSE, 0, nullptr), S_OK);
    EXPECT_EQ(Table().settings[0].globalValue, 42);
    // A later bind re-reads the device values, the motor parameters among them.
    EXPECT_EQ(Table().settings[0].motorParameters, 1);
    EXPECT_EQ(Table().settings[0].by10SpringCoef, 55);
}

TEST_F(DriverObject, EngineSettingsComeFromTheProductKey) {
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "POLLING_STEP", 20);
    host::SetRegistryDword(HKEY_CURRENT_USER, kProductKey, "THREAD_PRIORITY", 3);
    Attach();
    EXPECT_EQ(Module().engine.pollingStep, 20u);
    EXPECT_EQ(Module().engine.priorityCode, 3u);
    const struct {
        DWORD code;
        int priority;
    } rows[] = {{1, 2}, {2, 0}, {3, -1}, {4, -2}, {0, 15}, {5, 15}, {7, 15}};
    for (const auto& row : rows)
        EXPECT_EQ(ThreadPriorityOf(row.code), row.priority);
}

TEST_F(DriverObject, PollingStepIsKeptSane) {
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "POLLING_STEP", 0);
    EXPECT_EQ(LoadEngineSettings().pollingStep, 1u);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "POLLING_STEP", 0xFFFFFFFFu);
    EXPECT_EQ(LoadEngineSettings().pollingStep, 1000u);
}

TEST_F(DriverObject, UnloadSavesTheStrengthsAndClosesTheDevice) {
    Bind();
    Table().settings[0].globalValue = 77;
    Table().settings[0].springEnabled = 1;
    driver->Release();
    driver = nullptr;
    factory->Release();
    factory = nullptr;
    Detach();
    const std::string joystickKey = test::kWheelDeviceKey + "\\0";
    std::vector<BYTE> data;
    ASSERT_TRUE(
        host::GetRegistryValue(HKEY_CURRENT_USER, joystickKey, "Global_Value", nullptr, &data));
    EXPECT_EQ(data[0], 77);
    ASSERT_TRUE(
        host::GetRegistryValue(HKEY_CURRENT_USER, joystickKey, "Spring_Enabled", nullptr, &data));
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(host::OpenDeviceHandleCount(), 0);
    EXPECT_EQ(host::LoadedModuleCount(), 0);
}

TEST_F(DriverObject, SavingToARefusingHiveIsSilent) {
    Bind();
    Table().settings[0].globalValue = 55;
    host::RefuseWriting(HKEY_CURRENT_USER, true);
    SaveStrengths(Table(), 0);
    EXPECT_EQ(Table().settings[0].globalValue, 55);
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_CURRENT_USER, test::kWheelDeviceKey + "\\0"));
    host::RefuseWriting(HKEY_CURRENT_USER, false);
}

TEST_F(DriverObject, KeysAreNamedAfterTheBoundDevice) {
    Bind();
    char key[kKeyPathSize];
    Table().vendorIds[3] = 0x5A1C;
    Table().productIds[3] = 0xE410;
    ASSERT_TRUE(JoystickKey(Table(), 3, key));
    EXPECT_STREQ(key, (test::kWheelDeviceKey + "\\3").c_str());
    EXPECT_FALSE(DeviceKey(Table(), 8, key));
    EXPECT_FALSE(JoystickKey(Table(), -1, key));
}

TEST_F(DriverObject, LoadRefusedWhenASharedObjectCannotBeCreated) {
    const int objects = host::LiveObjectCount();
    for (host::ObjectKind kind :
         {host::ObjectKind::Mutex, host::ObjectKind::Mapping, host::ObjectKind::View}) {
        host::FailNextCreate(kind);
        EXPECT_EQ(DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr), FALSE);
        EXPECT_EQ(host::LiveObjectCount(), objects);
        EXPECT_EQ(host::LoadedModuleCount(), 0);
        EXPECT_EQ(host::RunningThreadCount(), 0);
        // The loader follows a refused load with the unload: it finds nothing to close.
        EXPECT_EQ(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr), TRUE);
        EXPECT_EQ(host::LiveObjectCount(), objects);
        EXPECT_EQ(host::OpenRegistryKeyCount(), 0);
    }
}

// With "Trace" set the bind, a refused download and a run of failed sends reach the
// debugger's output, the run once at its start and once at its end; without it, nothing.
TEST_F(DriverObject, TraceLinesReachTheDebuggerOnlyWhenAsked) {
    for (const DWORD trace : {0u, 1u}) {
        SCOPED_TRACE(trace);
        rig.TearDown();
        harness::VirtualRig::ResetHost();
        rig.PlugWheel(host::BuiltInWheel(), 0, {0xB0000001, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}});
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "Trace", trace);
        UseOneChannelForceWheel();
        Bind();
        Effect e = Effect::Constant(5000);
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(0, 9999, &handle, &e.effect, 0), E_NOTIMPL);
        Download(e);
        Run(2);
        wheel->Unplug();
        Run(5);
        std::vector<std::string> lines = host::DebugOutput();
        const auto count = [&lines](const char* text) {
            return std::count_if(lines.begin(), lines.end(), [text](const std::string& line) {
                return line.find(text) != std::string::npos;
            });
        };
        if (trace == 0) {
            EXPECT_TRUE(lines.empty());
            continue;
        }
        EXPECT_EQ(count("quorforce: INFO     DeviceID joystick 0 area 0: bound VID_5A1C&PID_E410"),
                  1);
        EXPECT_EQ(count("effect id 9999 handle 0 flags 0x00000000: refused, 0x80004001"), 1);
        EXPECT_EQ(count("area 0: output reports fail (result 3)"), 1);
    }
}

TEST_F(DriverObject, SecondLoaderSeesTheSameTable) {
    Bind();
    Effect e = Effect::Constant(1000);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, DIEP_START), S_OK);
    // Another process maps the same named block.
    ProcessState other;
    ASSERT_TRUE(OpenSharedObjects(other));
    EXPECT_EQ(other.table->areas[0].slotPlaying[handle - 1], 1);
    EXPECT_EQ(other.table->areas[0].slots[handle - 1].constant.magnitude, 1000);
    CloseSharedObjects(other);
}

}  // namespace
}  // namespace quorforce
