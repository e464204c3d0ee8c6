// The replay: one pass over the recording. Lines that are part of a step (the reports, the
// motion and settings a tick used, a bind's device, values and switches) gather until the
// call or tick line that ends the step; that step is then run and its reports compared.
#include "tools/quorsim/replay.h"

#include <cstddef>
#include <map>
#include <sstream>
#include <vector>

#include "config/game_switches.h"
#include "harness/replay_rig.h"

namespace quorsim {
namespace {

using quorforce::ReadRecordingResult;
using quorforce::RecordedEvent;
using quorforce::harness::ReplayMotion;
using quorforce::harness::ReplayReport;
using quorforce::harness::ReplayRig;
using quorforce::harness::ReplaySettings;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

std::string Describe(const RecordedEvent& e) {
    std::ostringstream text;
    text << "line " << e.line << " (" << e.kind;
    if (!e.op.empty()) text << " " << e.op;
    text << " area " << e.Number("area") << " at " << e.clock << " ms)";
    return text.str();
}

ReplaySettings SettingsOf(const RecordedEvent& e) {
    ReplaySettings s;
    s.motorParameters = static_cast<std::int32_t>(e.Number("motor"));
    s.globalValue = static_cast<std::int32_t>(e.Number("global"));
    s.staticValue = static_cast<std::int32_t>(e.Number("static"));
    s.dynamicValue = static_cast<std::int32_t>(e.Number("dynamic"));
    s.springValue = static_cast<std::int32_t>(e.Number("spring"));
    s.springEnabled = static_cast<std::int32_t>(e.Number("spring-on"));
    s.driveDefaultSpring = static_cast<std::int32_t>(e.Number("default-spring"));
    s.strictAngleDirection = static_cast<std::int32_t>(e.Number("strict-angle"));
    s.shockOrForceFeedback = static_cast<std::int32_t>(e.Number("force-feedback"));
    s.by10InertiaCoef = static_cast<std::int32_t>(e.Number("inertia-coef"));
    s.by10DamperCoef = static_cast<std::int32_t>(e.Number("damper-coef"));
    s.by10SpringCoef = static_cast<std::int32_t>(e.Number("spring-coef"));
    s.motionEstimate = static_cast<std::int32_t>(e.Number("estimate"));
    s.overrideActive = static_cast<std::int32_t>(e.Number("override"));
    std::vector<std::int64_t> gains;
    if (quorforce::NumberList(e.Text("gains"), &gains))
        for (std::int64_t g : gains)
            s.gains.push_back(static_cast<std::int32_t>(g));
    return s;
}

ReplayMotion MotionOf(const RecordedEvent& e) {
    ReplayMotion m;
    m.position = static_cast<std::int32_t>(e.Number("position"));
    m.velocity = static_cast<std::int32_t>(e.Number("velocity"));
    m.acceleration = static_cast<std::int32_t>(e.Number("acceleration"));
    m.positionDelta = static_cast<std::int32_t>(e.Number("delta"));
    m.deltaChange = static_cast<std::int32_t>(e.Number("delta-change"));
    m.smoothVelocityBits = e.Dword("smooth-velocity");
    m.smoothAccelerationBits = e.Dword("smooth-acceleration");
    return m;
}

// The axes a recording writes: the driver refuses a record with more before reading them.
constexpr std::size_t kMaxAxes = 4;

// The DIEFFECT of a Download line, with the storage it points into.
struct RebuiltEffect {
    DIEFFECT effect = {};
    DWORD axes[kMaxAxes] = {};
    LONG directions[kMaxAxes] = {};
    DIENVELOPE envelope = {};
    std::vector<std::uint8_t> type;
    bool given = false;

    void Build(const RecordedEvent& e) {
        const std::string kind = e.Text("effect");
        given = kind != "null";
        if (!given) return;
        if (kind == "short") {
            effect.dwSize = 4;
            return;
        }
        effect.dwSize = kind == "full" ? sizeof(DIEFFECT) : offsetof(DIEFFECT, dwStartDelay);
        effect.dwFlags = e.Dword("eff-flags");
        effect.dwDuration = e.Dword("duration");
        effect.dwSamplePeriod = e.Dword("sample");
        effect.dwGain = e.Dword("gain");
        effect.dwTriggerButton = e.Dword("trigger");
        effect.dwTriggerRepeatInterval = e.Dword("repeat");
        effect.dwStartDelay = e.Dword("start-delay");
        effect.cAxes = e.Dword("axes-count");
        BuildAxes(e);
        BuildEnvelope(e);
        BuildType(e);
    }

    void BuildAxes(const RecordedEvent& e) {
        std::vector<std::int64_t> list;
        if (e.Text("axes") != "null" && quorforce::NumberList(e.Text("axes"), &list)) {
            for (std::size_t i = 0; i < list.size() && i < kMaxAxes; ++i)
                axes[i] = static_cast<DWORD>(list[i]);
            effect.rgdwAxes = axes;
        }
        if (e.Text("directions") != "null" && quorforce::NumberList(e.Text("directions"), &list)) {
            for (std::size_t i = 0; i < list.size() && i < kMaxAxes; ++i)
                directions[i] = static_cast<LONG>(list[i]);
            effect.rglDirection = directions;
        }
    }

    void BuildEnvelope(const RecordedEvent& e) {
        const std::string text = e.Text("envelope");
        std::vector<std::int64_t> list;
        if (text == "short") {
            envelope.dwSize = 0;
            effect.lpEnvelope = &envelope;
        } else if (quorforce::NumberList(text, &list) && list.size() == 4) {
            envelope.dwSize = sizeof(DIENVELOPE);
            envelope.dwAttackLevel = static_cast<DWORD>(list[0]);
            envelope.dwAttackTime = static_cast<DWORD>(list[1]);
            envelope.dwFadeLevel = static_cast<DWORD>(list[2]);
            envelope.dwFadeTime = static_cast<DWORD>(list[3]);
            effect.lpEnvelope = &envelope;
        }
    }

    // The driver reads no more than its record of the kind; the rest stays zero.
    void BuildType(const RecordedEvent& e) {
        effect.cbTypeSpecificParams = e.Dword("type-size");
        const std::string text = e.Text("type");
        if (text == "null" || text.empty()) return;
        std::vector<std::uint8_t> bytes;
        if (text != "unread") quorforce::HexBytes(text, &bytes);
        type.assign(bytes.size() > 64 ? bytes.size() : 64, 0);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            type[i] = bytes[i];
        effect.lpvTypeSpecificParams = type.data();
    }
};

class Replayer {
public:
    explicit Replayer(const ReadRecordingResult& recording) : recording_(recording) {}

    ReplayOutcome Run() {
        outcome_.log = RecordedRun(recording_);
        const auto& events = recording_.events;
        std::uint32_t firstClock =
            events.empty() ? recording_.session.startClock : events.front().clock;
        if (!rig_.Begin(recording_.session.pollingStep, firstClock))
            return Fail("the module did not load");
        for (const RecordedEvent& e : events) {
            if (e.kind == "drop" || (e.kind == "end" && e.Dword("drops") != 0)) {
                outcome_.stoppedAtLine = e.line;
                outcome_.dropped = e.Dword(e.kind == "drop" ? "count" : "drops");
                break;
            }
            if (!Step(e)) return outcome_;
        }
        outcome_.ok = true;
        return outcome_;
    }

private:
    ReplayOutcome Fail(const std::string& why) {
        outcome_.ok = false;
        outcome_.failure = why;
        return outcome_;
    }

    bool Step(const RecordedEvent& e) {
        if (e.kind == "tick") return Tick(e);
        if (e.kind == "call") return Call(e);
        if (e.kind == "position" || e.kind == "note" || e.kind == "end") return true;
        pending_.push_back(&e);  // part of the step the next call or tick ends
        return true;
    }

    // The newest pending line of `kind` for `area`, or null.
    const RecordedEvent* PendingOf(const char* kind, std::int64_t area) const {
        const RecordedEvent* found = nullptr;
        for (const RecordedEvent* p : pending_)
            if (p->kind == kind && p->Number("area") == area) found = p;
        return found;
    }

    bool Tick(const RecordedEvent& e) {
        const DWORD area = e.Dword("area");
        if (const RecordedEvent* s = PendingOf("settings", area))
            rig_.ApplySettings(area, SettingsOf(*s));
        const RecordedEvent* m = PendingOf("motion", area);
        ReplayMotion motion;
        if (m != nullptr) motion = MotionOf(*m);
        rig_.SetClock(e.clock);
        rig_.Tick(area, e.clock, m != nullptr ? &motion : nullptr);
        return Compare(e);
    }

    // The id byte of the area's first recorded output report (0: the device uses no ids).
    std::uint8_t FirstReportId(std::int64_t area) const {
        for (const RecordedEvent& e : recording_.events) {
            if (e.kind != "report" || e.Number("area") != area) continue;
            std::vector<std::uint8_t> bytes;
            if (quorforce::HexBytes(e.Text("bytes"), &bytes) && !bytes.empty()) return bytes[0];
        }
        return 0;
    }

    // A bind's device is plugged and its registry written as the recording read it.
    bool PrepareBind(const RecordedEvent& e) {
        const RecordedEvent* device = PendingOf("device", e.Number("area"));
        if (device == nullptr) return true;  // a refused bind: nothing was bound
        const DWORD area = device->Dword("area");
        const WORD vid = static_cast<WORD>(device->Dword("vid"));
        const WORD pid = static_cast<WORD>(device->Dword("pid"));
        const int joystick = static_cast<int>(device->Number("joystick"));
        const int place = static_cast<int>(device->Number("place"));
        ReplayRig::DeviceLayout layout;
        layout.vendorId = vid;
        layout.productId = pid;
        layout.outputLength = static_cast<std::uint16_t>(device->Number("output-length"));
        layout.outputReportId = FirstReportId(device->Number("area"));
        layout.usagePage = static_cast<std::uint16_t>(device->Number("usage-page"));
        layout.usage = static_cast<std::uint16_t>(device->Number("usage"));
        layout.axisMin = static_cast<std::int32_t>(device->Number("axis-min", 0));
        layout.axisMax = static_cast<std::int32_t>(device->Number("axis-max", 1023));
        rig_.PlugDevice(area, static_cast<DWORD>(joystick), layout);
        if (const RecordedEvent* values = PendingOf("values", area))
            for (const auto& field : values->fields)
                if (field.key != "area")
                    rig_.WriteValue(field.key.c_str(), values->Dword(field.key.c_str()), vid, pid,
                                    joystick);
        if (const RecordedEvent* switches = PendingOf("switches", area))
            for (const auto& field : switches->fields)
                // Record is left out, as a replay does not record itself, and Low_Latency,
                // whose extra passes are in the recording as ticks of their own.
                if (field.key != "area" && field.key != "Record" && field.key != "Low_Latency" &&
                    switches->Number(field.key.c_str(), -1) >= 0)
                    rig_.WriteSwitch(field.key.c_str(), switches->Dword(field.key.c_str()), vid,
                                     pid, place);
        return true;
    }

    bool Call(const RecordedEvent& e) {
        IDirectInputEffectDriver* object = rig_.Object(e.Dword("obj"));
        if (object == nullptr) return Fail(Describe(e) + ": no driver object could be made"), false;
        if (e.op == "DeviceID" && !PrepareBind(e)) return false;
        rig_.SetClock(e.clock);
        DWORD out = 0;
        bool hasOut = false;
        const HRESULT result = Invoke(*object, e, &out, &hasOut);
        if (static_cast<std::uint32_t>(result) != e.Dword("result")) {
            std::ostringstream why;
            why << Describe(e) << ": the driver answered " << ResultName(result)
                << ", the recording " << ResultName(static_cast<std::int32_t>(e.Dword("result")));
            return Fail(why.str()), false;
        }
        const char* outKey = e.op == "Download" ? "out-handle" : "out-status";
        if (hasOut && e.Has(outKey) && e.Dword(outKey) != out)
            return Fail(Describe(e) + ": " + outKey + " " + std::to_string(out) + ", recorded " +
                        e.Text(outKey)),
                   false;
        if (e.op == "DeviceID" && result == S_OK && !CheckBoundSettings(e)) return false;
        return Compare(e);
    }

    // What the bind loaded must be what the recorded bind loaded; the panel's part of the
    // settings (the gain override) is then taken as it was.
    bool CheckBoundSettings(const RecordedEvent& e) {
        const RecordedEvent* s = PendingOf("settings", e.Number("area"));
        if (s == nullptr) return true;
        const ReplaySettings settings = SettingsOf(*s);
        if (!rig_.SameLoadedSettings(e.Dword("area"), settings))
            return Fail(Describe(e) + ": the bind loaded other settings than the recorded " +
                        Describe(*s)),
                   false;
        rig_.ApplySettings(e.Dword("area"), settings);
        return true;
    }

    HRESULT Invoke(IDirectInputEffectDriver& o, const RecordedEvent& e, DWORD* out, bool* hasOut) {
        const std::string& op = e.op;
        const DWORD handle = e.Dword("handle");
        if (op == "DeviceID")
            return o.DeviceID(0x0800, e.Dword("joystick"), TRUE, e.Dword("area"), nullptr);
        if (op == "GetVersions") {
            DIDRIVERVERSIONS versions = {};
            versions.dwSize = sizeof versions;
            return o.GetVersions(e.Text("versions") == "null" ? nullptr : &versions);
        }
        if (op == "Escape") {
            DIEFFESCAPE escape = {};
            escape.dwSize = sizeof escape;
            return o.Escape(0, handle, &escape);
        }
        if (op == "SetGain") return o.SetGain(0, e.Dword("gain"));
        if (op == "Command") return o.SendForceFeedbackCommand(0, e.Dword("command"));
        if (op == "GetState") {
            DIDEVICESTATE state = {};
            state.dwSize = sizeof state;
            return o.GetForceFeedbackState(0, e.Text("state") == "null" ? nullptr : &state);
        }
        if (op == "Download") {
            RebuiltEffect effect;
            effect.Build(e);
            DWORD h = handle;
            const bool handleGiven = e.Text("handle") != "null";
            const HRESULT r =
                o.DownloadEffect(0, e.Dword("id"), handleGiven ? &h : nullptr,
                                 effect.given ? &effect.effect : nullptr, e.Dword("flags"));
            *out = h;
            *hasOut = handleGiven;
            return r;
        }
        if (op == "Destroy") return o.DestroyEffect(0, handle);
        if (op == "Start") return o.StartEffect(0, handle, e.Dword("mode"), e.Dword("count"));
        if (op == "Stop") return o.StopEffect(0, handle);
        DWORD status = 0;
        const HRESULT r =
            o.GetEffectStatus(0, handle, e.Text("status") == "null" ? nullptr : &status);
        *out = status;
        *hasOut = true;
        return r;
    }

    // The step's reports against the recorded ones: every output report in order; feature
    // reports as far as the replay made them (the control exports' own are not replayed).
    bool Compare(const RecordedEvent& step) {
        const std::vector<ReplayReport> made = rig_.TakeReports();
        std::vector<const RecordedEvent*> outputs, features;
        for (const RecordedEvent* p : pending_) {
            if (p->kind == "report" || p->kind == "busy") outputs.push_back(p);
            if (p->kind == "feature") features.push_back(p);
        }
        pending_.clear();
        std::size_t o = 0, f = 0;
        for (const ReplayReport& r : made) {
            std::vector<const RecordedEvent*>& list = r.feature ? features : outputs;
            std::size_t& next = r.feature ? f : o;
            if (!r.feature && next < list.size() && list[next]->kind == "busy") {
                ++outcome_.notSent;  // the recorded device was still busy with the one before
                ++next;
                continue;
            }
            ++outcome_.compared;
            if (next >= list.size())
                return Fail(Describe(step) + ": the replay sent a " +
                            (r.feature ? "feature" : "output") + " report " + Hex(r.bytes) +
                            " the recording does not have"),
                       false;
            if (!Same(*list[next], r))
                return Fail(Describe(step) + ": " + Describe(*list[next]) + " recorded " +
                            list[next]->Text("bytes") + ", replayed " + Hex(r.bytes)),
                       false;
            ++outcome_.identical;
            ++next;
        }
        if (o < outputs.size())
            return Fail(Describe(step) + ": " + Describe(*outputs[o]) +
                        " was recorded, the replay sent no such report"),
                   false;
        outcome_.notReplayed += features.size() - f;
        return true;
    }

    static bool Same(const RecordedEvent& recorded, const ReplayReport& made) {
        std::vector<std::uint8_t> bytes;
        quorforce::HexBytes(recorded.Text("bytes"), &bytes);
        if (recorded.Number("length") != static_cast<std::int64_t>(made.bytes.size())) return false;
        if (recorded.Number("area") >= 0 && recorded.Number("area") != made.area) return false;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (i >= made.bytes.size() || bytes[i] != made.bytes[i]) return false;
        return true;
    }

    const ReadRecordingResult& recording_;
    ReplayOutcome outcome_;
    ReplayRig rig_;
    std::vector<const RecordedEvent*> pending_;
};

}  // namespace

ReplayOutcome Replay(const ReadRecordingResult& recording) { return Replayer(recording).Run(); }

RunLog RecordedRun(const ReadRecordingResult& recording) {
    RunLog log;
    log.pollingStep = recording.session.pollingStep;
    std::map<std::int64_t, int> deviceOfArea;
    auto deviceOf = [&](std::int64_t area) {
        auto found = deviceOfArea.find(area);
        if (found != deviceOfArea.end()) return found->second;
        DeviceLog device;
        device.name = "area" + std::to_string(area);
        device.forceFeedback = true;
        log.devices.push_back(device);
        return deviceOfArea[area] = static_cast<int>(log.devices.size()) - 1;
    };
    const std::uint32_t start =
        recording.events.empty() ? recording.session.startClock : recording.events.front().clock;
    for (const RecordedEvent& e : recording.events) {
        const std::uint32_t ms = e.clock - start;
        log.endMs = ms;
        const std::int64_t area = e.Number("area", -1);
        if (e.kind == "values") {
            DeviceLog& d = log.devices[deviceOf(area)];
            d.reportFormat = static_cast<std::uint8_t>(e.Number("Report_Format", 1));
            d.forceFeedback = e.Number("Shock_or_Force_Feedback", 1) != 0;
        } else if (e.kind == "report" || e.kind == "feature") {
            ReportRecord r;
            r.ms = ms;
            r.device = deviceOf(area);
            r.feature = e.kind == "feature";
            quorforce::HexBytes(e.Text("bytes"), &r.bytes);
            log.reports.push_back(std::move(r));
        } else if (e.kind == "position") {
            PositionRecord p;
            p.ms = ms;
            p.device = deviceOf(area);
            p.reported = static_cast<std::int32_t>(e.Number("x"));
            p.position = static_cast<double>(p.reported);
            log.positions.push_back(p);
        } else if (e.kind == "call") {
            CallRecord c;
            c.ms = ms;
            c.line = e.line;
            c.text = e.op + (e.Has("handle") ? " " + e.Text("handle") : std::string());
            c.result = ResultName(static_cast<std::int32_t>(e.Dword("result")));
            log.calls.push_back(c);
            const bool starts = e.op == "Start" || e.op == "Stop" || e.op == "Destroy" ||
                                (e.op == "Download" && (e.Dword("flags") & DIEP_START) != 0);
            if (starts && area >= 0) log.markers.push_back({ms, deviceOf(area), c.text});
        }
    }
    return log;
}

}  // namespace quorsim
