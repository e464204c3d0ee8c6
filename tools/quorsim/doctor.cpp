// The doctor: one pass over the recording gathers, per area, the calls, the reports and the
// positions; the findings are read from those counts.
#include "tools/quorsim/doctor.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "platform/win32.h"
#include "state/effect_ids.h"
#include "tools/quorsim/simulator.h"

namespace quorsim {
namespace {

using quorforce::RecordedEvent;

constexpr DWORD kInfinite = 0xFFFFFFFFu;

struct EffectSeen {
    std::uint32_t id = 0;
    std::uint32_t downloads = 0;
    std::uint32_t lastDownload = 0;
    std::uint32_t longestGap = 0;
    std::uint32_t duration = 0;
    std::uint32_t startedAt = 0;  // ms into the session
    bool playing = false;
};

struct DeviceSeen {
    int joystick = -1;
    std::uint32_t vid = 0, pid = 0;
    std::int64_t centre = 512;
    std::uint8_t reportFormat = 1;
    bool forceFeedback = true;  // false: a vibration device's unsigned intensities
    std::map<std::uint32_t, EffectSeen> effects;                  // by handle, while allocated
    std::vector<std::pair<std::uint32_t, EffectSeen>> destroyed;  // handle and what it was
    std::size_t mostAtOnce = 0;
    std::uint64_t reports = 0, clipped = 0, noConditionReports = 0, centringReports = 0;
    int largest = 0;  // the largest channel distance from no force, 0..128
    // The newest report's signed force, -128..127: above 0 it pushes the wheel toward lower
    // positions (the conditions' sense: a spring right of the centre pushes back left).
    int force = 0;
    bool conditionEver = false;
    std::int64_t lastX = 0;
    bool hasX = false;
    std::uint64_t moving = 0, withMotion = 0;
    std::map<std::string, std::pair<int, int>> refused;  // "op result" -> count, first line
};

const char* KindName(std::uint32_t id) {
    const quorforce::EffectIdEntry* entry = quorforce::FindEffectId(id);
    return entry != nullptr ? entry->name : "unknown";
}

bool IsCondition(std::uint32_t id) {
    return quorforce::KindOfEffect(id) == quorforce::EffectKind::Condition;
}

std::size_t PlayingCount(const DeviceSeen& d, bool conditionsOnly) {
    std::size_t n = 0;
    for (const auto& [handle, e] : d.effects)
        if (e.playing && (!conditionsOnly || IsCondition(e.id))) ++n;
    return n;
}

class Gatherer {
public:
    std::map<std::int64_t, DeviceSeen> devices;
    std::uint32_t first = 0, last = 0;
    bool any = false;

    void Take(const RecordedEvent& e) {
        if (!any) first = e.clock;
        any = true;
        last = e.clock;
        const std::int64_t area = e.Number("area", -1);
        if (area < 0) return;
        DeviceSeen& d = devices[area];
        if (e.kind == "device") {
            d.joystick = static_cast<int>(e.Number("joystick"));
            d.vid = e.Dword("vid");
            d.pid = e.Dword("pid");
            if (e.Has("axis-min")) d.centre = (e.Number("axis-min") + e.Number("axis-max") + 1) / 2;
        } else if (e.kind == "values") {
            d.reportFormat = static_cast<std::uint8_t>(e.Number("Report_Format", 1));
            d.forceFeedback = e.Number("Shock_or_Force_Feedback", 1) != 0;
        } else if (e.kind == "call") {
            Call(d, e);
        } else if (e.kind == "report") {
            Report(d, e);
        } else if (e.kind == "position") {
            Position(d, e.Number("x"));
        }
    }

private:
    void Call(DeviceSeen& d, const RecordedEvent& e) {
        const std::uint32_t result = e.Dword("result");
        if (result >= 0x80000000u) {
            char text[64];
            std::snprintf(text, sizeof text, "%s %s", e.op.c_str(),
                          ResultName(static_cast<std::int32_t>(result)).c_str());
            auto& entry = d.refused[text];
            if (entry.first++ == 0) entry.second = e.line;
            return;
        }
        const std::uint32_t handle = e.op == "Download" ? e.Dword("out-handle") : e.Dword("handle");
        if (e.op == "Download") {
            EffectSeen& effect = d.effects[handle];
            if (effect.downloads != 0)
                effect.longestGap = std::max(effect.longestGap, e.clock - effect.lastDownload);
            ++effect.downloads;
            effect.lastDownload = e.clock;
            effect.id = e.Dword("id");
            if (e.Has("duration")) effect.duration = e.Dword("duration");
            if (e.Dword("flags") & DIEP_START) Play(d, effect, e.clock);
        } else if (e.op == "Start") {
            Play(d, d.effects[handle], e.clock);
        } else if (e.op == "Stop" || e.op == "Destroy") {
            d.effects[handle].playing = false;
            if (e.op == "Destroy") {
                d.destroyed.push_back({handle, d.effects[handle]});
                d.effects.erase(handle);
            }
        } else if (e.op == "Command") {
            const std::uint32_t command = e.Dword("command");
            if (command == DISFFC_RESET || command == DISFFC_STOPALL)
                for (auto& [h, effect] : d.effects)
                    effect.playing = false;
        }
    }

    void Play(DeviceSeen& d, EffectSeen& effect, std::uint32_t clock) {
        if (!effect.playing) effect.startedAt = clock - first;
        effect.playing = true;
        if (IsCondition(effect.id)) d.conditionEver = true;
        d.mostAtOnce = std::max(d.mostAtOnce, PlayingCount(d, false));
    }

    void Report(DeviceSeen& d, const RecordedEvent& e) {
        std::vector<std::uint8_t> bytes;
        quorforce::HexBytes(e.Text("bytes"), &bytes);
        int firstByte = 0x80, secondByte = 0x80;
        ChannelBytes(bytes, d.reportFormat, &firstByte, &secondByte);
        ++d.reports;
        if (!d.forceFeedback) {
            // Intensities from 0: full at 0xFF, no sign to weigh against the motion.
            if (firstByte == 0xFF || secondByte == 0xFF) ++d.clipped;
            d.largest = std::max(d.largest, std::max(firstByte, secondByte) / 2);
            d.force = 0;
            return;
        }
        const auto full = [](int b) { return b == 0 || b == 0xFF; };
        if (full(firstByte) || full(secondByte)) ++d.clipped;
        // The channel that carries more force is the one the wheel's axis takes.
        const int first = firstByte - 0x80, second = secondByte - 0x80;
        d.force = (first < 0 ? -first : first) >= (second < 0 ? -second : second) ? first : second;
        d.largest = std::max(d.largest, d.force < 0 ? -d.force : d.force);
        if (PlayingCount(d, true) == 0 && PlayingCount(d, false) != 0) {
            ++d.noConditionReports;
            const std::int64_t off = d.lastX - d.centre;
            if (d.hasX && off != 0 && d.force != 0 && (off > 0) == (d.force > 0))
                ++d.centringReports;
        }
    }

    void Position(DeviceSeen& d, std::int64_t x) {
        if (d.hasX && x != d.lastX && d.force != 0) {
            ++d.moving;
            if ((x > d.lastX) == (d.force < 0)) ++d.withMotion;
        }
        d.lastX = x;
        d.hasX = true;
    }
};

int Percent(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 0 : static_cast<int>(part * 100 / whole);
}

void Finding(std::ostream& out, const std::string& what, const std::string& setting) {
    out << "  - " << what << "\n";
    if (setting.empty()) {
        out << "    no switch changes this; it is the game's own doing\n";
    } else {
        out << "    try: scripts/run-with-wheel --set " << setting << " GAME\n";
    }
}

void Describe(std::ostream& out, std::int64_t area, const DeviceSeen& d, double seconds) {
    char ids[64];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", d.vid, d.pid);
    out << "device area " << area << " (joystick " << d.joystick << ", " << ids << ")\n";
    // Every effect of the session, the destroyed ones first.
    std::vector<std::pair<std::uint32_t, EffectSeen>> all = d.destroyed;
    for (const auto& entry : d.effects)
        all.push_back(entry);
    std::map<std::string, int> kinds;
    for (const auto& [handle, e] : all)
        ++kinds[KindName(e.id)];
    out << "  effects:";
    for (const auto& [name, count] : kinds)
        out << " " << name << " x" << count;
    out << (kinds.empty() ? " none" : "") << "; at most " << d.mostAtOnce << " at once\n";
    for (const auto& [handle, e] : all) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "  updates: handle %u (%s): %u downloads, %.1f per second, longest gap "
                      "%u ms\n",
                      handle, KindName(e.id), e.downloads,
                      seconds > 0 ? e.downloads / seconds : 0.0, e.longestGap);
        out << line;
    }
    out << "  reports: " << d.reports << ", at full force " << Percent(d.clipped, d.reports)
        << " %\n";
    out << "  motion: forces push with the wheel's motion in " << Percent(d.withMotion, d.moving)
        << " % of " << d.moving << " moving reads\n";
    out << "  largest force: " << Percent(static_cast<std::uint64_t>(d.largest), 128) << " %\n";
    for (const auto& [what, count] : d.refused)
        out << "  refused: " << what << " x" << count.first << " (first at line " << count.second
            << ")\n";
}

void Findings(std::ostream& out, const DeviceSeen& d) {
    out << "  findings:\n";
    bool any = false;
    if (d.reports >= 10 && Percent(d.clipped, d.reports) >= 5) {
        Finding(out,
                "the mix is at full force in " + std::to_string(Percent(d.clipped, d.reports)) +
                    " % of reports: it clips",
                "Global_Value=70");
        any = true;
    }
    if (d.moving >= 10 && Percent(d.withMotion, d.moving) >= 70) {
        Finding(out,
                "the forces push with the wheel's motion in " +
                    std::to_string(Percent(d.withMotion, d.moving)) +
                    " % of moving reads: the game's sign may be inverted",
                "Invert_Force=1");
        any = true;
    }
    if (!d.conditionEver && d.noConditionReports >= 10 &&
        Percent(d.centringReports, d.noConditionReports) < 20) {
        Finding(out, "no condition played and nothing pulled the wheel to its centre",
                "Auto_Centre=30");
        any = true;
    }
    for (const auto& [handle, e] : d.effects) {
        if (!e.playing || e.duration != kInfinite) continue;
        Finding(out,
                "effect " + std::to_string(handle) + " (" + KindName(e.id) + ") started " +
                    std::to_string(e.startedAt) +
                    " ms into the session, lasts forever and was never stopped",
                "");
        any = true;
    }
    if (d.reports >= 10 && d.largest > 0 && d.largest < 32) {
        Finding(out,
                "the largest force is " + std::to_string(Percent(d.largest, 128)) +
                    " %: the game's forces are weak",
                "Minimum_Force=10");
        any = true;
    }
    for (const auto& [what, count] : d.refused) {
        Finding(out, "the driver refused " + what + " " + std::to_string(count.first) + " times",
                "");
        any = true;
    }
    if (!any) out << "  (none)\n";
}

}  // namespace

std::string Diagnose(const quorforce::ReadRecordingResult& recording) {
    Gatherer gatherer;
    for (const RecordedEvent& e : recording.events)
        gatherer.Take(e);
    const double seconds = (gatherer.last - gatherer.first) / 1000.0;
    std::ostringstream out;
    char head[200];
    std::snprintf(head, sizeof head,
                  "quorsim doctor: %s, %u-bit driver, polling step %u ms, %.1f s recorded\n",
                  recording.session.exe.c_str(), recording.session.size,
                  recording.session.pollingStep, seconds);
    out << head;
    for (const RecordedEvent& e : recording.events)
        if (e.kind == "drop")
            out << "the recording dropped " << e.Number("count") << " lines at line " << e.line
                << "\n";
    for (const auto& [area, device] : gatherer.devices) {
        Describe(out, area, device, seconds);
        Findings(out, device);
    }
    return out.str();
}

}  // namespace quorsim
