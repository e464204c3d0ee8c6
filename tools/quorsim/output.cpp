// CSV, SVG and the summary.
#include "tools/quorsim/output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/quorsim/response.h"

namespace quorsim {
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += byte;
    }
    return text;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

std::uint8_t FormatOf(const RunLog& log, int device) {
    return static_cast<std::size_t>(device) < log.devices.size() ? log.devices[device].reportFormat
                                                                 : 1;
}

}  // namespace

// With several devices each report line names its device: ms,NAME,report. A simulated
// wheel's position at each step comes before the reports of that instant.
void WriteCsv(const RunLog& log, std::ostream& out) {
    const bool several = log.devices.size() > 1;
    out << (several ? "ms,device,report\n" : "ms,report\n");
    std::size_t call = 0, position = 0;
    auto positionsUntil = [&](std::uint32_t ms) {
        for (; position < log.positions.size() && log.positions[position].ms <= ms; ++position) {
            const PositionRecord& p = log.positions[position];
            out << p.ms << "," << (several ? log.devices[p.device].name + "," : "") << "position "
                << p.reported << "\n";
        }
    };
    for (const ReportRecord& report : log.reports) {
        // The driver's answers come before the reports of the same instant.
        for (; call < log.calls.size() && log.calls[call].ms <= report.ms; ++call) {
            const CallRecord& c = log.calls[call];
            out << "# " << c.ms << " " << c.text << ": " << c.result << "\n";
        }
        positionsUntil(report.ms);
        out << report.ms << "," << (several ? log.devices[report.device].name + "," : "")
            << (report.feature ? "feature " : "") << Hex(report.bytes) << "\n";
    }
    positionsUntil(UINT32_MAX);
    for (; call < log.calls.size(); ++call) {
        const CallRecord& c = log.calls[call];
        out << "# " << c.ms << " " << c.text << ": " << c.result << "\n";
    }
}

namespace {

constexpr int kWidth = 1000, kLeft = 60, kRight = 20, kTitle = 40, kPanelHeight = 380, kBottom = 50;

// One device's panel, its plot starting `top` pixels down: the grid, the time axis, the
// device's markers and its two channel bytes.
void WritePanel(const RunLog& log, int device, int top, std::ostream& out) {
    const double plotWidth = kWidth - kLeft - kRight, plotHeight = kPanelHeight - kBottom;
    const double endMs = std::max<double>(log.endMs, 1);
    const int bottom = top + static_cast<int>(plotHeight);
    auto x = [&](double ms) { return kLeft + ms / endMs * plotWidth; };
    auto y = [&](double value) { return top + (255.0 - value) / 255.0 * plotHeight; };
    for (int v = 0; v <= 256; v += 32) {
        const int value = std::min(v, 255);
        out << "<line x1=\"" << kLeft << "\" x2=\"" << kWidth - kRight << "\" y1=\"" << y(value)
            << "\" y2=\"" << y(value) << "\" stroke=\"#ddd\"/>\n"
            << "<text x=\"" << kLeft - 6 << "\" y=\"" << y(value) + 4 << "\" text-anchor=\"end\">"
            << value << "</text>\n";
    }
    const double tickStep = endMs <= 2000    ? 250
                            : endMs <= 10000 ? 1000
                            : endMs <= 60000 ? 5000
                                             : 60000;
    for (double t = 0; t <= endMs; t += tickStep) {
        out << "<line x1=\"" << x(t) << "\" x2=\"" << x(t) << "\" y1=\"" << bottom << "\" y2=\""
            << bottom + 5 << "\" stroke=\"black\"/>\n"
            << "<text x=\"" << x(t) << "\" y=\"" << bottom + 18 << "\" text-anchor=\"middle\">"
            << t / 1000.0 << "</text>\n";
    }
    const std::string name = log.devices.size() > 1 ? log.devices[device].name + ": " : "";
    out << "<text x=\"" << kLeft + plotWidth / 2 << "\" y=\"" << bottom + 40
        << "\" text-anchor=\"middle\">time (s)</text>\n"
        << "<text x=\"16\" y=\"" << top + plotHeight / 2 << "\" transform=\"rotate(-90 16 "
        << top + plotHeight / 2 << ")\" text-anchor=\"middle\">" << Escape(name) << "channel byte ("
        << (static_cast<std::size_t>(device) < log.devices.size() &&
                    !log.devices[device].forceFeedback
                ? "0"
                : "0x80")
        << " = no force)</text>\n"
        << "<rect x=\"" << kLeft << "\" y=\"" << top << "\" width=\"" << plotWidth << "\" height=\""
        << plotHeight << "\" fill=\"none\" stroke=\"black\"/>\n";
    // Markers of one instant stack their labels; near the right edge they read leftwards.
    std::uint32_t previousMs = 0;
    int stacked = 0;
    bool first = true;
    for (const Marker& m : log.markers) {
        if (m.device != device) continue;
        stacked = !first && m.ms == previousMs ? stacked + 1 : 0;
        previousMs = m.ms;
        first = false;
        const bool nearRight = x(m.ms) > kWidth - kRight - 120;
        out << "<line x1=\"" << x(m.ms) << "\" x2=\"" << x(m.ms) << "\" y1=\"" << top << "\" y2=\""
            << bottom << "\" stroke=\"#888\" stroke-dasharray=\"4 3\"/>\n"
            << "<text x=\"" << x(m.ms) + (nearRight ? -3 : 3) << "\" y=\""
            << top + 12 + 14 * stacked << "\" fill=\"#555\" text-anchor=\""
            << (nearRight ? "end" : "start") << "\">" << Escape(m.label) << "</text>\n";
    }
    const char* colours[2] = {"#1f77b4", "#d62728"};
    for (int channel = 0; channel < 2; ++channel) {
        std::ostringstream points;
        double previous = -1;
        for (const ReportRecord& r : log.reports) {
            if (r.feature || r.device != device) continue;
            int firstByte = 0, secondByte = 0;
            ChannelBytes(r.bytes, FormatOf(log, device), &firstByte, &secondByte);
            const double value = channel == 0 ? firstByte : secondByte;
            if (previous >= 0) points << x(r.ms) << "," << y(previous) << " ";
            points << x(r.ms) << "," << y(value) << " ";
            previous = value;
        }
        out << "<polyline fill=\"none\" stroke=\"" << colours[channel]
            << "\" stroke-width=\"1.5\" points=\"" << points.str() << "\"/>\n"
            << "<text x=\"" << kWidth - kRight - 150 << "\" y=\"" << bottom - 30 + 16 * channel
            << "\" fill=\"" << colours[channel] << "\">" << (channel == 0 ? "first" : "second")
            << " channel byte</text>\n";
    }
}

}  // namespace

namespace {

bool HasPositions(const RunLog& log, int device) {
    for (const PositionRecord& p : log.positions) {
        if (p.device == device) return true;
    }
    return false;
}

// A simulated wheel's position panel: the position it reported (what the driver read) and
// where it truly was, in axis units, with the device's markers.
void WritePositionPanel(const RunLog& log, int device, int top, std::ostream& out) {
    const double plotWidth = kWidth - kLeft - kRight, plotHeight = kPanelHeight - kBottom;
    const double endMs = std::max<double>(log.endMs, 1);
    double low = 1e300, high = -1e300;
    for (const PositionRecord& p : log.positions) {
        if (p.device != device) continue;
        low = std::min({low, p.position, static_cast<double>(p.reported)});
        high = std::max({high, p.position, static_cast<double>(p.reported)});
    }
    const double margin = std::max(2.0, (high - low) * 0.05);
    low -= margin;
    high += margin;
    const int bottom = top + static_cast<int>(plotHeight);
    auto x = [&](double ms) { return kLeft + ms / endMs * plotWidth; };
    auto y = [&](double value) { return top + (high - value) / (high - low) * plotHeight; };
    for (int i = 0; i <= 8; ++i) {
        const double value = low + (high - low) * i / 8;
        out << "<line x1=\"" << kLeft << "\" x2=\"" << kWidth - kRight << "\" y1=\"" << y(value)
            << "\" y2=\"" << y(value) << "\" stroke=\"#ddd\"/>\n"
            << "<text x=\"" << kLeft - 6 << "\" y=\"" << y(value) + 4 << "\" text-anchor=\"end\">"
            << static_cast<long>(std::lround(value)) << "</text>\n";
    }
    for (const Marker& m : log.markers) {
        if (m.device != device) continue;
        out << "<line x1=\"" << x(m.ms) << "\" x2=\"" << x(m.ms) << "\" y1=\"" << top << "\" y2=\""
            << bottom << "\" stroke=\"#888\" stroke-dasharray=\"4 3\"/>\n";
    }
    const std::string name = log.devices.size() > 1 ? log.devices[device].name + ": " : "";
    out << "<text x=\"16\" y=\"" << top + plotHeight / 2 << "\" transform=\"rotate(-90 16 "
        << top + plotHeight / 2 << ")\" text-anchor=\"middle\">" << Escape(name)
        << "position (axis units)</text>\n"
        << "<rect x=\"" << kLeft << "\" y=\"" << top << "\" width=\"" << plotWidth << "\" height=\""
        << plotHeight << "\" fill=\"none\" stroke=\"black\"/>\n";
    std::ostringstream reported, truth;
    double previous = 0;
    bool first = true;
    for (const PositionRecord& p : log.positions) {
        if (p.device != device) continue;
        if (!first) reported << x(p.ms) << "," << y(previous) << " ";
        reported << x(p.ms) << "," << y(p.reported) << " ";
        truth << x(p.ms) << "," << y(p.position) << " ";
        previous = p.reported;
        first = false;
    }
    out << "<polyline fill=\"none\" stroke=\"#2ca02c\" stroke-width=\"1.5\" points=\""
        << reported.str() << "\"/>\n"
        << "<polyline fill=\"none\" stroke=\"#9467bd\" stroke-width=\"1\" points=\"" << truth.str()
        << "\"/>\n"
        << "<text x=\"" << kWidth - kRight - 150 << "\" y=\"" << bottom - 30
        << "\" fill=\"#2ca02c\">position reported</text>\n"
        << "<text x=\"" << kWidth - kRight - 150 << "\" y=\"" << bottom - 14
        << "\" fill=\"#9467bd\">true position</text>\n";
}

}  // namespace

void WriteSvg(const RunLog& log, const std::string& title, std::ostream& out) {
    const int devices = std::max<int>(1, static_cast<int>(log.devices.size()));
    int panels = devices;
    for (int device = 0; device < devices; ++device)
        panels += HasPositions(log, device) ? 1 : 0;
    const int height = kTitle + panels * kPanelHeight;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << height << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << kWidth / 2 << "\" y=\"22\" text-anchor=\"middle\" font-size=\"15\">"
        << Escape(title) << "</text>\n";
    int top = kTitle;
    for (int device = 0; device < devices; ++device) {
        WritePanel(log, device, top, out);
        top += kPanelHeight;
        if (!HasPositions(log, device)) continue;
        WritePositionPanel(log, device, top, out);
        top += kPanelHeight;
    }
    out << "</svg>\n";
}

namespace {

// The first device's output periods in real time: the engine's tick as its wheel saw it.
std::string TickFigures(const RunLog& log) {
    std::vector<std::uint32_t> times;
    for (const ReportRecord& r : log.reports) {
        if (!r.feature && r.device == 0) times.push_back(r.ms);
    }
    if (times.size() < 2) return "";
    std::vector<std::uint32_t> periods;
    int gaps = 0;
    for (std::size_t i = 1; i < times.size(); ++i) {
        periods.push_back(times[i] - times[i - 1]);
        gaps += periods.back() > 2 * log.pollingStep ? 1 : 0;
    }
    const double span = times.back() - times.front();
    std::sort(periods.begin(), periods.end());
    const std::uint32_t p99 = periods[std::min(periods.size() - 1, periods.size() * 99 / 100)];
    char line[200];
    std::snprintf(line, sizeof line,
                  "  tick period: mean %.2f ms, p99 %u ms, worst %u ms, %d gaps over two steps, "
                  "%.1f reports/s, drift %+.0f ms\n",
                  span / static_cast<double>(periods.size()), static_cast<unsigned>(p99),
                  static_cast<unsigned>(periods.back()), gaps,
                  1000.0 * static_cast<double>(periods.size()) / span,
                  span - static_cast<double>(periods.size()) * log.pollingStep);
    return line;
}

// Each simulated wheel's response to its hand's last action.
std::string PositionFigures(const RunLog& log) {
    std::ostringstream out;
    for (int device = 0; device < static_cast<int>(log.devices.size()); ++device) {
        std::uint32_t since = 0;
        for (const Marker& m : log.markers) {
            if (m.device == device && m.label.rfind("hand", 0) == 0) since = m.ms;
        }
        const Response r = ResponseOf(log.positions, device, since);
        if (!r.valid) continue;
        char line[320];
        std::snprintf(line, sizeof line,
                      "  %s%sposition after %u ms: %.1f -> %.1f, overshoot %.1f units, ",
                      log.devices.size() > 1 ? log.devices[device].name.c_str() : "",
                      log.devices.size() > 1 ? " " : "", static_cast<unsigned>(since), r.from,
                      r.final, r.overshoot);
        out << line;
        if (r.settlingMs >= 0) {
            out << "settled (within " << kSettledBand << ") after " << r.settlingMs << " ms";
        } else {
            out << "never settles (within " << kSettledBand << ")";
        }
        if (r.periodMs > 0) {
            std::snprintf(line, sizeof line, ", oscillation: %d swings, period %.0f ms, %s %.1f",
                          r.halfCycles, r.periodMs,
                          r.settlingMs >= 0 ? "last amplitude" : "amplitude", r.amplitude);
            out << line;
        } else {
            out << ", no oscillation";
        }
        out << "\n";
    }
    return out.str();
}

}  // namespace

std::string Summary(const RunLog& log) {
    int outputs = 0, features = 0;
    int low[2] = {255, 255}, high[2] = {0, 0};
    for (const ReportRecord& r : log.reports) {
        if (r.feature) {
            ++features;
            continue;
        }
        ++outputs;
        int bytes[2];
        ChannelBytes(r.bytes, FormatOf(log, r.device), &bytes[0], &bytes[1]);
        for (int c = 0; c < 2; ++c) {
            low[c] = std::min(low[c], bytes[c]);
            high[c] = std::max(high[c], bytes[c]);
        }
    }
    std::ostringstream out;
    out << "quorsim: " << (log.realtime ? "real" : "virtual") << " time, " << log.endMs
        << " ms, polling step " << log.pollingStep << " ms\n"
        << "  " << outputs << " output reports, " << features << " feature reports\n";
    if (outputs > 0) {
        out << "  first channel " << low[0] << ".." << high[0] << ", second channel " << low[1]
            << ".." << high[1] << "\n";
    }
    int failed = 0;
    for (const CallRecord& c : log.calls)
        failed += c.result.rfind("S_OK", 0) == 0 || c.result.rfind("returned ", 0) == 0 ||
                          c.result == "queued"
                      ? 0
                      : 1;
    out << "  " << log.calls.size() << " driver calls, " << failed << " not S_OK\n";
    if (log.realtime && outputs > 1) out << TickFigures(log);
    out << PositionFigures(log);
    return out.str();
}

}  // namespace quorsim

namespace quorsim {

bool WriteTrace(const RunLog& log, const std::string& path) {
    std::ofstream out(path);
    out << "# ms,position: a simulated wheel's true position, written by quorsim --trace\n";
    char line[64];
    for (const auto& [ms, position] : log.trace) {
        std::snprintf(line, sizeof line, "%u,%.3f\n", static_cast<unsigned>(ms), position);
        out << line;
    }
    return static_cast<bool>(out);
}

}  // namespace quorsim
