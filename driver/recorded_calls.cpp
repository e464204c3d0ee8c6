// The driver object's recorded calls: the operation, and while recording its line.
#include "driver/recorded_calls.h"

#include <cstddef>

#include "config/game_switches.h"
#include "config/settings_catalogue.h"
#include "config/settings_store.h"
#include "driver/download.h"
#include "driver/driver_operations.h"
#include "driver/module_state.h"
#include "record/event_lines.h"
#include "record/recorder.h"
#include "record/recording_path.h"
#include "state/effect_ids.h"
#include "util/mutex_lock.h"

namespace quorforce {
namespace {

volatile LONG lastObjectId = 0;
constexpr std::uint16_t kSteeringUsage = 0x30;  // the X axis

std::uint32_t ObjectId(RecordedCaller caller) {
    if (*caller.objectId == 0)
        *caller.objectId = static_cast<std::uint32_t>(InterlockedIncrement(&lastObjectId));
    return *caller.objectId;
}

// "<clock> call obj=N OP area=A" and the operation's own words after it.
class CallLine {
public:
    CallLine(RecordedCaller caller, const char* op) : line_(timeGetTime(), "call") {
        line_.Line().KeyDec("obj", ObjectId(caller)).Char(' ').Text(op);
    }
    LineBuilder& Line() { return line_.Line(); }
    void Commit(HRESULT result) {
        line_.Line().KeyHex("result", static_cast<std::uint32_t>(result));
        line_.Commit();
    }

private:
    RecordLine line_;
};

// Every DIEFFECT word the download reads, and only those: a part the driver refuses to read
// (a short record, a missing array) is written as such, never read.
void WriteAxes(LineBuilder& b, const DIEFFECT& e) {
    b.KeyDec("axes-count", e.cAxes);
    if (e.cAxes == 0 || e.cAxes > kMaxAxes) return;
    b.Key("axes");
    if (e.rgdwAxes == nullptr) {
        b.Text("null");
    } else {
        for (DWORD i = 0; i < e.cAxes; ++i)
            (i != 0 ? b.Char(',') : b).Hex(e.rgdwAxes[i]);
    }
    b.Key("directions");
    if (e.rglDirection == nullptr) {
        b.Text("null");
    } else {
        for (DWORD i = 0; i < e.cAxes; ++i)
            (i != 0 ? b.Char(',') : b).Dec(e.rglDirection[i]);
    }
}

void WriteEnvelope(LineBuilder& b, const DIEFFECT& e) {
    b.Key("envelope");
    if (e.lpEnvelope == nullptr) {
        b.Text("none");
    } else if (e.lpEnvelope->dwSize < sizeof(DIENVELOPE)) {
        b.Text("short");
    } else {
        const DIENVELOPE& v = *e.lpEnvelope;
        b.Dec(v.dwAttackLevel).Char(',').Dec(v.dwAttackTime).Char(',');
        b.Dec(v.dwFadeLevel).Char(',').Dec(v.dwFadeTime);
    }
}

void WriteTypeRecord(LineBuilder& b, DWORD effectId, const DIEFFECT& e) {
    b.KeyDec("type-size", e.cbTypeSpecificParams).Key("type");
    const std::size_t size = RecordSizeOfKind(KindOfEffect(effectId));
    if (e.lpvTypeSpecificParams == nullptr) {
        b.Text("null");
    } else if (size == 0 || e.cbTypeSpecificParams < size) {
        b.Text("unread");
    } else {
        b.Bytes(static_cast<const std::uint8_t*>(e.lpvTypeSpecificParams), size);
    }
}

void WriteEffect(LineBuilder& b, DWORD effectId, const DIEFFECT* peff) {
    b.Key("effect");
    if (peff == nullptr) {
        b.Text("null");
        return;
    }
    const DIEFFECT& e = *peff;
    if (e.dwSize < offsetof(DIEFFECT, dwStartDelay)) {
        b.Text("short");
        return;
    }
    b.Text(e.dwSize >= sizeof(DIEFFECT) ? "full" : "dx5");
    b.KeyHex("eff-flags", e.dwFlags)
        .KeyDec("duration", e.dwDuration)
        .KeyDec("sample", e.dwSamplePeriod)
        .KeyDec("gain", e.dwGain)
        .KeyHex("trigger", e.dwTriggerButton)
        .KeyHex("repeat", e.dwTriggerRepeatInterval);
    if (e.dwSize >= sizeof(DIEFFECT)) b.KeyDec("start-delay", e.dwStartDelay);
    WriteAxes(b, e);
    WriteEnvelope(b, e);
    WriteTypeRecord(b, effectId, e);
}

// The catalogue's per-device values as the bind left them, by their registry names.
void RecordValues(std::uint32_t area, const DeviceLink& link, const DeviceSettings& settings) {
    RecordLine line(timeGetTime(), "values");
    line.Line().KeyDec("area", area);
    for (const SettingEntry& entry : kSettings) {
        if (entry.record == SettingRecord::Engine) continue;
        const void* record = entry.record == SettingRecord::Link
                                 ? static_cast<const void*>(&link)
                                 : static_cast<const void*>(&settings);
        line.Line().KeyDec(entry.name, FieldOfSetting(entry, record));
    }
    line.Commit();
}

void RecordSwitches(std::uint32_t area, const GameSwitches& switches) {
    RecordLine line(timeGetTime(), "switches");
    line.Line().KeyDec("area", area);
    for (const GameSwitchEntry& entry : kGameSwitches)
        line.Line().KeyDec(entry.name, switches.Get(entry.id));
    line.Commit();
}

void RecordDevice(std::uint32_t area, DWORD joystick, std::int32_t place, const DeviceLink& link) {
    RecordLine line(timeGetTime(), "device");
    line.Line()
        .KeyDec("area", area)
        .KeyDec("joystick", joystick)
        .KeyDec("place", place)
        .KeyHex("vid", link.vendorId)
        .KeyHex("pid", link.productId)
        .KeyDec("output-length", link.outputReportLength)
        .KeyDec("input-length", link.inputReportLength)
        .KeyDec("feature-length", link.featureReportLength)
        .KeyHex("usage-page", link.outputUsagePage)
        .KeyHex("usage", link.outputUsage);
    // The steering axis's range, where the doctor finds the wheel's centre.
    for (std::uint16_t i = 0; i < link.inputAxisCount && i < kMaxInputAxes; ++i) {
        if (link.inputAxes[i].usage != kSteeringUsage) continue;
        line.Line().KeyDec("axis-min", link.inputAxes[i].logicalMin);
        line.Line().KeyDec("axis-max", link.inputAxes[i].logicalMax);
        break;
    }
    line.Commit();
}

// The switches of the bound device's key and the game's profile.
GameSwitches SwitchesOf(ProcessState& process, std::int32_t place, const char* exe) {
    char deviceKey[kKeyPathSize];
    if (!DeviceKey(*process.table, place, deviceKey)) return GameSwitches();
    char profile[kGameNameSize];
    return LoadGameSwitches(deviceKey, ProfileName(exe, profile) ? profile : nullptr);
}

// After a bind that succeeded, with the TableMutex held: the session starts when the game's
// switch asks for it, and a recorded bind writes the device as it was bound.
void AfterBind(ProcessState& process, DWORD joystick, DWORD area) {
    const std::int32_t place = process.placeOfArea[area];
    char exe[kGameNameSize];
    ExecutableName(exe, sizeof exe);
    const GameSwitches switches = SwitchesOf(process, place, exe);
    SetLowLatency(Module().engine.wake, area, switches.Get(GameSwitch::LowLatency) == 1,
                  switches.Get(GameSwitch::GameGain) == 1);
    if (LowLatency(Module().engine.wake, area)) StartListening(Module().engine);
    if (!Recording() && switches.Get(GameSwitch::Record) == 1) {
        SessionHeader header;
        header.driverVersion = 0xF1F;
        header.pollingStep = Module().engine.pollingStep;
        header.exe = exe;
        StartRecording(header);
    }
    if (!Recording()) return;
    const DeviceLink& link = process.deviceLinks[area];
    NoteDeviceHandle(area, link.deviceHandle);
    RecordDevice(area, joystick, place, link);
    RecordValues(area, link, process.table->settings[place]);
    RecordSwitches(area, switches);
    RecordSettingsIfChanged(area, static_cast<std::uint32_t>(place), *process.table, true);
}

// The TableMutex while recording, so that the call and its line are one step of the file.
class HeldWhileRecording {
public:
    explicit HeldWhileRecording(ProcessState& process)
        : mutex_(Recording() ? process.tableMutex : nullptr) {
        if (mutex_ != nullptr) owned_ = WaitForSingleObject(mutex_, INFINITE) != WAIT_FAILED;
    }
    ~HeldWhileRecording() {
        if (owned_) ReleaseMutex(mutex_);
    }
    HeldWhileRecording(const HeldWhileRecording&) = delete;
    HeldWhileRecording& operator=(const HeldWhileRecording&) = delete;

private:
    HANDLE mutex_;
    bool owned_ = false;
};

}  // namespace

HRESULT RecordedDeviceID(ProcessState& process, RecordedCaller caller, DWORD joystick, DWORD area,
                         std::int32_t* firstBindPending, DWORD* objectArea) {
    // Held always here: a bind may start the session, and its lines must come before any tick.
    MutexLock lock(process.tableMutex);
    const HRESULT result = BindDevice(process, joystick, area, firstBindPending, objectArea);
    if (result == S_OK && process.table != nullptr) AfterBind(process, joystick, area);
    if (!Recording()) return result;
    CallLine line(caller, "DeviceID");
    line.Line().KeyDec("joystick", joystick).KeyDec("area", area);
    line.Commit(result);
    return result;
}

HRESULT RecordedGetVersions(ProcessState& process, RecordedCaller caller,
                            DIDRIVERVERSIONS* versions) {
    const HRESULT result = GetDriverVersions(versions);
    if (!Recording()) return result;
    MutexLock lock(process.tableMutex);
    CallLine line(caller, "GetVersions");
    line.Line().KeyDec("area", caller.area).KeyText("versions", versions ? "given" : "null");
    line.Commit(result);
    return result;
}

HRESULT RecordedEscape(ProcessState& process, RecordedCaller caller, DWORD effect, HRESULT result) {
    if (!Recording()) return result;
    MutexLock lock(process.tableMutex);
    CallLine line(caller, "Escape");
    line.Line().KeyDec("area", caller.area).KeyDec("handle", effect);
    line.Commit(result);
    return result;
}

HRESULT RecordedSetGain(ProcessState& process, RecordedCaller caller, DWORD gain) {
    HeldWhileRecording held(process);
    const HRESULT result = SetGain(process, caller.area, gain);
    if (!Recording()) return result;
    CallLine line(caller, "SetGain");
    line.Line().KeyDec("area", caller.area).KeyDec("gain", gain);
    line.Commit(result);
    return result;
}

HRESULT RecordedCommand(ProcessState& process, RecordedCaller caller, DWORD command) {
    HeldWhileRecording held(process);
    const HRESULT result = SendForceFeedbackCommand(process, caller.area, command);
    if (!Recording()) return result;
    CallLine line(caller, "Command");
    line.Line().KeyDec("area", caller.area).KeyHex("command", command);
    line.Commit(result);
    return result;
}

HRESULT RecordedGetState(ProcessState& process, RecordedCaller caller, DIDEVICESTATE* state) {
    HeldWhileRecording held(process);
    const HRESULT result = GetForceFeedbackState(process, caller.area, state);
    if (!Recording()) return result;
    CallLine line(caller, "GetState");
    line.Line().KeyDec("area", caller.area).KeyText("state", state ? "given" : "null");
    if (result == S_OK)
        line.Line().KeyHex("out-state", state->dwState).KeyDec("out-load", state->dwLoad);
    line.Commit(result);
    return result;
}

HRESULT RecordedDownload(ProcessState& process, RecordedCaller caller, DWORD effectId,
                         DWORD* pdwEffect, const DIEFFECT* peff, DWORD flags) {
    if (!Recording()) return DownloadEffect(process, caller.area, effectId, pdwEffect, peff, flags);
    MutexLock lock(process.tableMutex);
    const bool handleGiven = pdwEffect != nullptr;
    const DWORD handleIn = handleGiven ? *pdwEffect : 0;
    const HRESULT result = DownloadEffect(process, caller.area, effectId, pdwEffect, peff, flags);
    CallLine line(caller, "Download");
    LineBuilder& b = line.Line();
    b.KeyDec("area", caller.area).KeyDec("id", effectId).Key("handle");
    if (handleGiven) {
        b.Dec(handleIn);
    } else {
        b.Text("null");
    }
    b.KeyHex("flags", flags);
    WriteEffect(b, effectId, peff);
    if (handleGiven) b.KeyDec("out-handle", *pdwEffect);
    line.Commit(result);
    return result;
}

HRESULT RecordedDestroy(ProcessState& process, RecordedCaller caller, DWORD handle) {
    HeldWhileRecording held(process);
    const HRESULT result = DestroyEffect(process, caller.area, handle);
    if (!Recording()) return result;
    CallLine line(caller, "Destroy");
    line.Line().KeyDec("area", caller.area).KeyDec("handle", handle);
    line.Commit(result);
    return result;
}

HRESULT RecordedStart(ProcessState& process, RecordedCaller caller, DWORD handle, DWORD mode,
                      DWORD count) {
    HeldWhileRecording held(process);
    const HRESULT result = StartEffect(process, caller.area, handle, mode, count);
    if (!Recording()) return result;
    CallLine line(caller, "Start");
    line.Line().KeyDec("area", caller.area).KeyDec("handle", handle).KeyHex("mode", mode);
    line.Line().KeyDec("count", count);
    line.Commit(result);
    return result;
}

HRESULT RecordedStop(ProcessState& process, RecordedCaller caller, DWORD handle) {
    HeldWhileRecording held(process);
    const HRESULT result = StopEffect(process, caller.area, handle);
    if (!Recording()) return result;
    CallLine line(caller, "Stop");
    line.Line().KeyDec("area", caller.area).KeyDec("handle", handle);
    line.Commit(result);
    return result;
}

HRESULT RecordedStatus(ProcessState& process, RecordedCaller caller, DWORD handle, DWORD* status) {
    HeldWhileRecording held(process);
    const HRESULT result = GetEffectStatus(process, caller.area, handle, status);
    if (!Recording()) return result;
    CallLine line(caller, "Status");
    line.Line().KeyDec("area", caller.area).KeyDec("handle", handle);
    line.Line().KeyText("status", status ? "given" : "null");
    if (result == S_OK && status != nullptr) line.Line().KeyHex("out-status", *status);
    line.Commit(result);
    return result;
}

}  // namespace quorforce
