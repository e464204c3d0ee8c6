// The scenario runner.
#include "tools/quorsim/simulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

#include "harness/effect_builder.h"
#include "harness/virtual_rig.h"
#include "include/quorforce.h"
#include "platform/win32.h"
#include "state/effect_ids.h"

namespace quorsim {
namespace {

using namespace quorforce;

constexpr DWORD kVirtualBase = 100000;  // the clock at scenario time 0

std::int64_t Number(const Command& c, const char* name, std::int64_t fallback) {
    auto it = c.params.find(name);
    if (it == c.params.end()) return fallback;
    if (it->second == "infinite") return INFINITE;
    return std::strtoll(it->second.c_str(), nullptr, 0);
}

DWORD Flags(const Command& c) {
    static const std::map<std::string, DWORD> names = {
        {"duration", DIEP_DURATION},
        {"sampleperiod", DIEP_SAMPLEPERIOD},
        {"gain", DIEP_GAIN},
        {"triggerbutton", DIEP_TRIGGERBUTTON},
        {"triggerrepeatinterval", DIEP_TRIGGERREPEATINTERVAL},
        {"axes", DIEP_AXES},
        {"direction", DIEP_DIRECTION},
        {"envelope", DIEP_ENVELOPE},
        {"typespecificparams", DIEP_TYPESPECIFICPARAMS},
        {"startdelay", DIEP_STARTDELAY},
        {"allparams", DIEP_ALLPARAMS},
        {"start", DIEP_START},
        {"norestart", DIEP_NORESTART},
        {"nodownload", DIEP_NODOWNLOAD}};
    auto it = c.params.find("flags");
    if (it == c.params.end()) return DIEP_ALLPARAMS;
    DWORD flags = 0;
    std::size_t start = 0;
    while (start <= it->second.size()) {
        const std::size_t comma = it->second.find(',', start);
        const std::string flag = it->second.substr(start, comma - start);
        flags |= names.at(flag);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return flags;
}

// The DIEFFECT of a download command, with its records, as DirectInput would pass it.
struct EffectRecord : harness::DirectInputEffect {
    explicit EffectRecord(const Command& c) {
        constant = {10000};
        ramp = {-10000, 10000};
        periodic = {10000, 0, 0, 100000};
        int directionCount = 0;
        auto direction = c.params.find("direction");
        if (direction != c.params.end()) {
            const std::string& d = direction->second;
            directions[0] = static_cast<LONG>(std::strtol(d.c_str(), nullptr, 10));
            directionCount = 1;
            if (d.find(',') != std::string::npos) {
                directions[1] =
                    static_cast<LONG>(std::strtol(d.c_str() + d.find(',') + 1, nullptr, 10));
                directionCount = 2;
            }
        }
        effect.dwDuration = static_cast<DWORD>(Number(c, "duration", INFINITE));
        effect.dwGain = static_cast<DWORD>(Number(c, "gain", 10000));
        effect.cAxes =
            static_cast<DWORD>(Number(c, "axes", directionCount > 0 ? directionCount : 1));
        effect.dwStartDelay = static_cast<DWORD>(Number(c, "delay", 0));
        Envelope(c);
        TypeSpecific(c);
    }

    void Envelope(const Command& c) {
        const char* names[] = {"attack-level", "attack-time", "fade-level", "fade-time"};
        bool any = false;
        for (const char* name : names)
            any = any || c.params.count(name) > 0;
        if (!any) return;
        envelope.dwAttackLevel = static_cast<DWORD>(Number(c, "attack-level", 10000));
        envelope.dwAttackTime = static_cast<DWORD>(Number(c, "attack-time", 0));
        envelope.dwFadeLevel = static_cast<DWORD>(Number(c, "fade-level", 10000));
        envelope.dwFadeTime = static_cast<DWORD>(Number(c, "fade-time", 0));
        WithEnvelope();
    }

    void TypeSpecific(const Command& c) {
        switch (KindOfEffect(c.effectId)) {
        case EffectKind::Periodic:
            periodic.dwMagnitude = static_cast<DWORD>(Number(c, "magnitude", 10000));
            periodic.lOffset = static_cast<LONG>(Number(c, "offset", 0));
            periodic.dwPhase = static_cast<DWORD>(Number(c, "phase", 0));
            periodic.dwPeriod = static_cast<DWORD>(Number(c, "period", 100000));
            Point(&periodic, sizeof periodic);
            break;
        case EffectKind::Ramp:
            ramp.lStart = static_cast<LONG>(Number(c, "start", -10000));
            ramp.lEnd = static_cast<LONG>(Number(c, "end", 10000));
            Point(&ramp, sizeof ramp);
            break;
        case EffectKind::Condition:
            for (DICONDITION& condition : conditions) {
                condition.lOffset = static_cast<LONG>(Number(c, "offset", 0));
                condition.lPositiveCoefficient = static_cast<LONG>(Number(c, "pos-coef", 10000));
                condition.lNegativeCoefficient = static_cast<LONG>(Number(c, "neg-coef", 10000));
                condition.dwPositiveSaturation = static_cast<DWORD>(Number(c, "pos-sat", 10000));
                condition.dwNegativeSaturation = static_cast<DWORD>(Number(c, "neg-sat", 10000));
                condition.lDeadBand = static_cast<LONG>(Number(c, "deadband", 0));
            }
            Point(conditions, sizeof(DICONDITION) * (effect.cAxes > 2 ? 2 : effect.cAxes));
            break;
        default:
            constant.lMagnitude = static_cast<LONG>(Number(c, "magnitude", 10000));
            Point(&constant, sizeof constant);
            break;
        }
    }
};

class Simulation {
public:
    Simulation(const Script& script, bool realtime) : script_(script), wheels_(Links()) {
        log_.realtime = realtime;
    }

    RunLog Run() {
        harness::VirtualRig::ResetHost();
        Prepare();
        std::vector<const Step*> commands;
        for (const Step& step : script_.steps) {
            if (!step.isRun) commands.push_back(&step);
        }
        std::stable_sort(commands.begin(), commands.end(),
                         [](const Step* a, const Step* b) { return a->ms < b->ms; });
        std::size_t next = 0;
        for (const Step& step : script_.steps) {
            if (!step.isRun) continue;
            // Every step of this run: the due commands, then the poll and force passes.
            while (now_ < step.ms) {
                for (; next < commands.size() && commands[next]->ms <= now_; ++next) {
                    Execute(commands[next]->command);
                }
                Tick();
            }
        }
        log_.endMs = now_;
        Finish();
        return log_;
    }

private:
    void Prepare() {
        for (const Setting& s : script_.settings) {
            const WheelConfig& w = script_.wheels[s.device];
            if (s.profile) {
                harness::VirtualRig::WriteGameSwitch(s.name.c_str(), s.value, w.vendorId,
                                                     w.productId, nullptr);
                continue;
            }
            harness::VirtualRig::WriteSetting(s.name.c_str(), s.value, w.vendorId, w.productId,
                                              w.joystick);
        }
        for (std::size_t i = 0; i < script_.wheels.size(); ++i)
            PlugDevice(i);

        // Report times count from here: the virtual clock's start, or now.
        base_ = log_.realtime ? timeGetTime() : kVirtualBase;
        if (!rig_.Attach(!log_.realtime, kVirtualBase)) {
            Record(0, "load the driver", "refused");
            return;
        }
        log_.pollingStep = rig_.PollingStep();
        HRESULT r = rig_.GetFactory();
        Record(0, "DllGetClassObject", ResultName(r));
        if (rig_.factory == nullptr) return;
        for (std::size_t i = 0; i < script_.wheels.size(); ++i)
            BindDevice(i);
        // Wheels that move by themselves need the virtual clock's 1 ms steps.
        for (std::size_t i = 0; i < script_.wheels.size() && !log_.realtime; ++i)
            wheels_.Add(static_cast<int>(i), script_.wheels[i].model);
    }

    // What the simulated wheels reach of the run.
    WheelLinks Links() {
        WheelLinks links;
        links.queue = [this](int device, std::int32_t x) { QueuePosition(device, x); };
        links.forceByte = [this](int device, int channel) {
            std::vector<std::uint8_t> report;
            if (!rig_.wheels[device]->LastOutputReport(&report)) return 0x80;
            int first = 0x80, second = 0x80;
            ChannelBytes(report, log_.devices[device].reportFormat, &first, &second);
            return channel == 1 ? first : second;
        };
        links.estimate = [this](int device) { return DriverVelocity(device); };
        return links;
    }

    // The velocity the device's conditions take from its reads, in axis units per second
    // (the motion estimate counts units per ms × 32).
    double DriverVelocity(int device) const {
        const WheelConfig& w = script_.wheels[device];
        return rig_.ConditionVelocity(static_cast<DWORD>(w.area), w.joystick) * 1000.0 / 32.0;
    }

    // Plugs wheel `i`; a second device of one model takes the next instance and
    // calibration entry.
    void PlugDevice(std::size_t i) {
        const WheelConfig& w = script_.wheels[i];
        host::VirtualHidConfig config = host::BuiltInWheel();
        if (!w.descriptor.empty()) config.descriptor = w.descriptor;
        config.vendorId = w.vendorId;
        config.productId = w.productId;
        int sameModel = 0;
        for (std::size_t k = 0; k < i; ++k) {
            const WheelConfig& other = script_.wheels[k];
            sameModel += other.vendorId == w.vendorId && other.productId == w.productId;
        }
        char instanceText[16];
        std::snprintf(instanceText, sizeof instanceText, "%04d", sameModel);
        config.path = host::HidDevicePath(w.vendorId, w.productId, instanceText);
        const GUID instance = {
            0x51A00000u + static_cast<std::uint32_t>(i), 0x5117, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
        rig_.PlugWheel(config, static_cast<DWORD>(w.joystick), instance, sameModel);
        log_.devices.push_back({w.name, 1});
    }

    // DirectInput's driver object of wheel `i`, bound by DeviceID.
    void BindDevice(std::size_t i) {
        const WheelConfig& w = script_.wheels[i];
        IDirectInputEffectDriver* driver = nullptr;
        HRESULT r = rig_.NewDriverObject(&driver);
        Record(0, "CreateInstance" + NameOf(i), ResultName(r));
        drivers_.push_back(driver);
        if (driver == nullptr) return;
        r = driver->DeviceID(0x0800, static_cast<DWORD>(w.joystick), TRUE,
                             static_cast<DWORD>(w.area), nullptr);
        Record(0, "DeviceID" + NameOf(i) + " joystick " + std::to_string(w.joystick),
               ResultName(r));
        log_.devices[i].reportFormat = rig_.ReportFormat(static_cast<DWORD>(w.area));
        log_.devices[i].forceFeedback = rig_.ForceFeedback(w.joystick);
    }

    // " NAME" when the run has several devices, so a single-device run reads as before.
    std::string NameOf(std::size_t i) const {
        return script_.wheels.size() > 1 ? " " + script_.wheels[i].name : "";
    }

    void Tick() {
        if (log_.realtime) {
            SleepUntil(now_ + log_.pollingStep);
        } else if (rig_.attached) {
            if (now_ == 0) wheels_.Start();
            rig_.Step();
            wheels_.AfterStep(now_, log_.pollingStep, &log_.positions, &log_.trace);
        }
        now_ += log_.pollingStep;
    }

    void SleepUntil(std::uint32_t ms) {
        while (timeGetTime() - base_ < ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void Execute(const Command& c) {
        IDirectInputEffectDriver* driver =
            static_cast<std::size_t>(c.device) < drivers_.size() ? drivers_[c.device] : nullptr;
        if (driver == nullptr) {
            Record(c.line, c.text, "no driver object");
            return;
        }
        device_ = c.device;
        DWORD& handle = handles_[std::to_string(c.device) + " " + c.name];
        HRESULT r = S_OK;
        std::string extra;
        switch (c.kind) {
        case Command::Download: {
            EffectRecord record(c);
            const DWORD flags = Flags(c);
            r = driver->DownloadEffect(0, c.effectId, &handle, &record.effect, flags);
            extra = " handle " + std::to_string(handle);
            if (SUCCEEDED(r) && (flags & DIEP_START)) Mark("start " + c.name);
            break;
        }
        case Command::Start:
            r = driver->StartEffect(0, handle, c.solo ? DIES_SOLO : 0, 1);
            Mark("start " + c.name);
            break;
        case Command::Stop:
            r = driver->StopEffect(0, handle);
            Mark("stop " + c.name);
            break;
        case Command::Destroy:
            r = driver->DestroyEffect(0, handle);
            Mark("destroy " + c.name);
            if (SUCCEEDED(r)) handle = 0;
            break;
        case Command::DeviceCommand:
            r = driver->SendForceFeedbackCommand(0, c.deviceCommand);
            Mark(c.text.substr(c.text.find(' ') + 1));
            break;
        case Command::Gain:
            r = driver->SetGain(0, c.deviceCommand);
            Mark(c.text);
            break;
        case Command::X: return QueueX(c);
        case Command::Hand:
            wheels_.Hand(c.device, c.hand, now_);
            return Mark(c.text.substr(c.text.find("hand")));
        case Command::ControlPanel: return Record(c.line, c.text, ControlPanelCall(c));
        }
        Record(c.line, c.text, ResultName(r) + extra);
    }

    // The control panel's exports, as a control panel process would call them; the result
    // line gives what they returned and what a get filled.
    std::string ControlPanelCall(const Command& c) {
        const int joystick = script_.wheels[c.device].joystick;
        const std::string key = Text(c, "key", harness::VirtualRig::EffectsKey());
        if (c.call == "modify-forces") {
            return "returned " + std::to_string(ModifyForcesNow(0, 0, joystick));
        }
        if (c.call == "image save") {
            return "returned " +
                   std::to_string(GetAllEffectsParameters(key.c_str(), c.x, joystick));
        }
        if (c.call == "image arm") {
            const int enable = static_cast<int>(Number(c, "enable", 1));
            return "returned " +
                   std::to_string(SetAllEffectsParameters(key.c_str(), c.x, joystick, enable));
        }
        ForceSettings settings = {};
        settings.mask = static_cast<std::uint32_t>(Number(c, "mask", 0x3F));
        settings.global = static_cast<std::int32_t>(Number(c, "global", 100));
        settings.dynamic = static_cast<std::int32_t>(Number(c, "dynamic", 100));
        settings.staticA = static_cast<std::int32_t>(Number(c, "static-a", 100));
        settings.staticB = static_cast<std::int32_t>(Number(c, "static-b", 100));
        settings.spring = static_cast<std::int32_t>(Number(c, "spring", 100));
        settings.springOn = static_cast<std::uint32_t>(Number(c, "spring-on", 0));
        DeviceConfig config = {0, static_cast<std::uint32_t>(Number(c, "apply", 2)), 0, &settings,
                               0};
        if (c.call == "config set") {
            return "returned " + std::to_string(ZXSetDeviceConfig(joystick, &config));
        }
        const int result = ZXGetDeviceConfig(joystick, &config);
        return "returned " + std::to_string(result) + ", global " +
               std::to_string(settings.global) + " dynamic " + std::to_string(settings.dynamic) +
               " static " + std::to_string(settings.staticA) + " spring " +
               std::to_string(settings.spring) + " spring-on " + std::to_string(settings.springOn) +
               " driven " + std::to_string(config.defaultSpringDriven);
    }

    static std::string Text(const Command& c, const char* name, const char* fallback) {
        auto it = c.params.find(name);
        return it == c.params.end() ? fallback : it->second;
    }

    void QueueX(const Command& c) {
        const char* refusal = QueuePosition(c.device, c.x);
        Record(c.line, c.text, refusal != nullptr ? refusal : "queued");
    }

    // An input report of device `device` with X at `x`; the reason when there is none.
    const char* QueuePosition(int device, std::int32_t x) {
        const DWORD area = static_cast<DWORD>(script_.wheels[device].area);
        switch (rig_.QueueSteering(area, static_cast<std::size_t>(device), x)) {
        case harness::VirtualRig::InputResult::Queued: return nullptr;
        case harness::VirtualRig::InputResult::NotBound: return "no bound device";
        case harness::VirtualRig::InputResult::NoXAxis: return "the device has no X axis";
        }
        return "no bound device";
    }

    void Record(int line, const std::string& text, const std::string& result) {
        log_.calls.push_back({now_, line, text, result});
    }
    void Mark(const std::string& label) { log_.markers.push_back({now_, device_, label}); }

    void Finish() {
        const std::vector<std::shared_ptr<host::VirtualHid>> wheels = rig_.wheels;
        for (IDirectInputEffectDriver* driver : drivers_) {
            if (driver != nullptr) driver->Release();
        }
        drivers_.clear();
        rig_.TearDown();
        for (std::size_t i = 0; i < wheels.size(); ++i) {
            for (const host::RecordedReport& r : wheels[i]->Reports()) {
                log_.reports.push_back({r.time - base_, static_cast<int>(i),
                                        r.kind == host::RecordedReport::Feature, r.bytes});
            }
        }
        std::stable_sort(log_.reports.begin(), log_.reports.end(),
                         [](const ReportRecord& a, const ReportRecord& b) { return a.ms < b.ms; });
    }

    const Script& script_;
    RunLog log_;
    harness::VirtualRig rig_;
    DWORD base_ = 0;
    std::uint32_t now_ = 0;
    std::map<std::string, DWORD> handles_;            // by "device name"
    std::vector<IDirectInputEffectDriver*> drivers_;  // one per device, as DirectInput makes
    int device_ = 0;                                  // the device of the command running
    SimulatedWheels wheels_;
};

}  // namespace

RunLog RunScenario(const Script& script, bool realtime) {
    Simulation simulation(script, realtime);
    return simulation.Run();
}

std::string ResultName(std::int32_t result) {
    switch (static_cast<std::uint32_t>(result)) {
    case 0x00000000u: return "S_OK";
    case 0x00000001u: return "S_FALSE";
    case 0x80004001u: return "E_NOTIMPL";
    case 0x80004002u: return "E_NOINTERFACE";
    case 0x80004003u: return "E_POINTER";
    case 0x80004005u: return "E_FAIL";
    case 0x80070006u: return "E_HANDLE";
    case 0x8007000Eu: return "E_OUTOFMEMORY";
    case 0x80070057u: return "E_INVALIDARG";
    case 0x80040110u: return "CLASS_E_NOAGGREGATION";
    case 0x80040111u: return "CLASS_E_CLASSNOTAVAILABLE";
    case 0x80040201u: return "DIERR_DEVICEFULL";
    default: {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
        return text;
    }
    }
}

void ChannelBytes(const std::vector<std::uint8_t>& report, std::uint8_t reportFormat, int* first,
                  int* second) {
    const int low = report.size() > 1 ? report[1] : 0;
    const int high = report.size() > 2 ? report[2] : 0;
    if (reportFormat == 2) {
        *first = low & 0xF0;
        *second = (low & 0x0F) << 4;
    } else {
        *first = high;
        *second = low;
    }
}

}  // namespace quorsim
