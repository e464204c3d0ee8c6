// The virtual rig's load, bind and passes, and its reading of the module's state.
#include "harness/virtual_rig.h"

#include <cstring>

#include "config/game_switches.h"
#include "config/settings_store.h"
#include "driver/guids.h"
#include "driver/module_entry.h"
#include "driver/module_state.h"
#include "engine/engine_threads.h"

namespace quorforce::harness {
namespace {

constexpr USAGE kUsageX = 0x30;

// The bound link of `area`, or nothing.
const DeviceLink* BoundLink(DWORD area) {
    if (area >= kAreaCount) return nullptr;
    const DeviceLink& link = Module().process.deviceLinks[area];
    return link.inUse == 1 ? &link : nullptr;
}

// The settings of joystick id `joystick` in the module's table, or nothing.
const DeviceSettings* SettingsOf(int joystick) {
    const SharedEffectTable* table = Module().process.table;
    if (table == nullptr || joystick < 0 || joystick >= static_cast<int>(kJoystickCount))
        return nullptr;
    return &table->settings[joystick];
}

// The bit size of the link's X axis: 32 for a link without one, so the value goes in whole.
std::uint16_t XBitSize(const DeviceLink& link) {
    std::uint16_t bits = 32;
    for (std::uint16_t i = 0; i < link.inputAxisCount && i < kMaxInputAxes; ++i) {
        if (link.inputAxes[i].usage == kUsageX) bits = link.inputAxes[i].bitSize;
    }
    return bits;
}

}  // namespace

VirtualRig::VirtualRig() : pollBuffer_(kPollBufferSize, 0) {}

void VirtualRig::ResetHost() {
    host::ResetStandIn();
    Module() = ModuleState{};
}

bool VirtualRig::WriteSetting(const char* name, DWORD value, WORD vendorId, WORD productId,
                              int joystick) {
    if (joystick < 0 || joystick >= static_cast<int>(kJoystickCount)) return false;
    const SettingEntry* entry = FindSetting(name);
    if (entry == nullptr) return WriteSwitch(name, value, vendorId, productId, joystick);
    if (entry->key == SettingKey::Product) {
        host::SetRegistryDword(HKEY_CURRENT_USER, kProductKey, name, value);
        return true;
    }
    // The keys are named after the ids the table holds for the joystick id.
    SharedEffectTable names = {};
    names.vendorIds[joystick] = vendorId;
    names.productIds[joystick] = productId;
    char key[kKeyPathSize];
    const bool named = entry->key == SettingKey::Device ? DeviceKey(names, joystick, key)
                                                        : JoystickKey(names, joystick, key);
    if (!named) return false;
    host::SetRegistryDword(HKEY_CURRENT_USER, key, name, value);
    return true;
}

// A game switch (Record, Invert_Force, ...) in the device key, where it holds for every game.
bool VirtualRig::WriteSwitch(const char* name, DWORD value, WORD vendorId, WORD productId,
                             int place) {
    if (FindGameSwitch(name) == nullptr) return false;
    SharedEffectTable names = {};
    names.vendorIds[place] = vendorId;
    names.productIds[place] = productId;
    char key[kKeyPathSize];
    if (!DeviceKey(names, place, key)) return false;
    host::SetRegistryDword(HKEY_CURRENT_USER, key, name, value);
    return true;
}

bool VirtualRig::CheckGameSwitch(const char* name, DWORD value, std::string* refusal) {
    const GameSwitchEntry* entry = FindGameSwitch(name);
    if (entry == nullptr) {
        if (refusal != nullptr) *refusal = std::string("'") + name + "' is not a game's switch";
        return false;
    }
    if (!InRange(*entry, value)) {
        if (refusal != nullptr) {
            *refusal = std::string(name) + " takes " + std::to_string(entry->minimum) + " to " +
                       std::to_string(entry->maximum);
        }
        return false;
    }
    return true;
}

bool VirtualRig::WriteGameSwitch(const char* name, DWORD value, WORD vendorId, WORD productId,
                                 std::string* refusal) {
    if (!CheckGameSwitch(name, value, refusal)) return false;
    SharedEffectTable names = {};
    names.vendorIds[0] = vendorId;
    names.productIds[0] = productId;
    char deviceKey[kKeyPathSize], key[kKeyPathSize];
    const std::string game = SimulatedGame();
    if (!DeviceKey(names, 0, deviceKey) || !ProfileKey(deviceKey, game.c_str(), key, sizeof key)) {
        if (refusal != nullptr) *refusal = "the simulated game has no profile name";
        return false;
    }
    host::SetRegistryDword(HKEY_CURRENT_USER, key, name, value);
    return true;
}

std::string VirtualRig::SimulatedGame() {
    char path[1024];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    const char* file = std::strrchr(path, '\\');
    char name[kGameNameSize];
    return ProfileName(file != nullptr ? file + 1 : path, name) ? std::string(name) : std::string();
}

const char* VirtualRig::EffectsKey() { return kEffectsKey; }

void VirtualRig::PlugWheel(const host::VirtualHidConfig& config, DWORD joystick,
                           const GUID& instance, int calibrationIndex) {
    wheels.push_back(host::PlugVirtualHid(config));
    if (wheel == nullptr) wheel = wheels.back();
    host::SetDeviceParametersEntry(config.path, instance, joystick);
    host::SetCalibrationEntry(config.vendorId, config.productId, calibrationIndex, instance,
                              joystick);
}

bool VirtualRig::Attach(bool virtualTime, DWORD startClock) {
    if (virtualTime) {
        host::UseManualClock(startClock);
        Module().engine.beginOnUse = false;  // the rig runs the passes itself
    }
    attached = DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr) == TRUE;
    return attached;
}

void VirtualRig::Detach() {
    DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    attached = false;
    // The threads have left the driver's code; their last return into the system may still
    // be under way. The next run starts from a system without them (bounded: 1 s).
    for (int i = 0; i < 1000 && host::RunningThreadCount() != 0; ++i)
        Sleep(1);
}

HRESULT VirtualRig::GetFactory() {
    return DllGetClassObject(kEffectDriverClassId, kClassFactoryInterfaceId,
                             reinterpret_cast<void**>(&factory));
}

HRESULT VirtualRig::CreateDriverObject() { return NewDriverObject(&driver); }

HRESULT VirtualRig::NewDriverObject(IDirectInputEffectDriver** object) {
    if (factory == nullptr) return E_POINTER;
    return factory->CreateInstance(nullptr, kEffectDriverInterfaceId,
                                   reinterpret_cast<void**>(object));
}

HRESULT VirtualRig::DeviceID(DWORD joystick, DWORD area) {
    if (driver == nullptr) return E_POINTER;
    return driver->DeviceID(0x0800, joystick, TRUE, area, nullptr);
}

void VirtualRig::Step(BYTE* pollBuffer) {
    PollPass(Module().process, pollBuffer, GetTickCount());
    ForceStep();
}

void VirtualRig::ForceStep() {
    ProcessState& process = Module().process;
    EngineThreads& engine = Module().engine;
    ForcePass(process, timeGetTime());
    // An extra pass the millisecond's limit held back runs one millisecond later, as the
    // force thread runs it, and the grid's next point stays where it was.
    DWORD rest = engine.pollingStep;
    if (rest >= 1 && ExtraPassWaiting(engine.wake)) {
        host::AdvanceClock(1);
        RunExtraPasses(engine.wake, process, timeGetTime());
        rest -= 1;
    }
    host::AdvanceClock(rest);
}

void VirtualRig::TearDown() {
    if (driver != nullptr) driver->Release();
    if (factory != nullptr) factory->Release();
    driver = nullptr;
    factory = nullptr;
    if (attached) Detach();
    wheel.reset();
    wheels.clear();
    ResetHost();
}

DWORD VirtualRig::PollingStep() const { return Module().engine.pollingStep; }

std::uint8_t VirtualRig::ReportFormat(DWORD area) const {
    return area < kAreaCount ? Module().process.deviceLinks[area].reportFormat : 0;
}

bool VirtualRig::ForceFeedback(int joystick) const {
    const DeviceSettings* settings = SettingsOf(joystick);
    return settings != nullptr && settings->shockOrForceFeedback != 0;
}

double VirtualRig::ConditionVelocity(DWORD area, int joystick) const {
    if (area >= kAreaCount) return 0.0;
    const MotionState& motion = Module().process.motion[area];
    const DeviceSettings* settings = SettingsOf(joystick);
    const bool smooth = settings != nullptr && settings->motionEstimate == 1;
    return smooth ? motion.smoothVelocity : static_cast<double>(motion.velocity);
}

VirtualRig::InputResult VirtualRig::QueueSteering(DWORD area, std::size_t wheel, std::int32_t x) {
    const DeviceLink* link = BoundLink(area);
    if (link == nullptr || link->inputReportLength == 0 || wheel >= wheels.size())
        return InputResult::NotBound;
    const std::uint16_t bits = XBitSize(*link);
    const ULONG raw =
        bits >= 32 ? static_cast<ULONG>(x) : static_cast<ULONG>(x) & ((1u << bits) - 1);
    std::vector<std::uint8_t> report(link->inputReportLength, 0);
    const NTSTATUS status =
        HidP_SetUsageValue(HidP_Input, 1, 0, kUsageX, raw, link->preparsedData,
                           reinterpret_cast<PCHAR>(report.data()), link->inputReportLength);
    if (status != HIDP_STATUS_SUCCESS) return InputResult::NoXAxis;
    wheels[wheel]->QueueInput(report);
    return InputResult::Queued;
}

}  // namespace quorforce::harness
