// The hand's aim and torque.
#include "tools/quorsim/hand.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace quorsim {

bool ReadTrace(const std::string& path, std::vector<std::pair<double, double>>* trace,
               std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read trace file '" + path + "'";
        return false;
    }
    trace->clear();
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        char* end = nullptr;
        const double ms = std::strtod(line.c_str(), &end);
        if (*end != ',') {
            *error = "trace file '" + path + "': '" + line + "' is not ms,position";
            return false;
        }
        char* rest = nullptr;
        const double position = std::strtod(end + 1, &rest);
        if (rest == end + 1 || !std::isfinite(ms) || !std::isfinite(position) ||
            (!trace->empty() && ms < trace->back().first)) {
            *error = "trace file '" + path + "': '" + line + "' is not ms,position in time order";
            return false;
        }
        trace->emplace_back(ms, position);
    }
    if (trace->empty()) {
        *error = "trace file '" + path + "' holds no positions";
        return false;
    }
    return true;
}

void Hand::Take(const HandAction& action, std::uint32_t ms, double position) {
    action_ = action;
    since_ = ms;
    from_ = position;
    cursor_ = 0;
}

// A tremor: white noise through a one-pole filter of about 30 ms, scaled to the size asked.
double Hand::Tremor() {
    seed_ = seed_ * 1664525u + 1013904223u;
    const double white = static_cast<double>(seed_ >> 8) / 16777216.0 * 2 - 1;
    tremor_ += (white - tremor_) * 0.01;
    return tremor_ * 7.0;  // the filter leaves about a seventh of the input's size
}

double Hand::Torque(std::uint32_t ms, double position, double velocity, double radiansPerUnit) {
    const double t = ms - since_;
    double aim = 0, aimSpeed = 0;
    switch (action_.kind) {
    case HandAction::Free: return 0;
    case HandAction::Hold: aim = action_.position; break;
    case HandAction::Turn:
        aim = from_ + action_.speed * t / 1000.0 + action_.noise * Tremor();
        aimSpeed = action_.speed;
        break;
    case HandAction::Trace: {
        const auto& tr = action_.trace;
        std::size_t& i = cursor_;  // time only moves on
        while (i + 1 < tr.size() && tr[i + 1].first <= t)
            ++i;
        aim = tr[i].second;
        if (i + 1 < tr.size() && tr[i + 1].first > tr[i].first) {
            const double span = tr[i + 1].first - tr[i].first;
            aimSpeed = (tr[i + 1].second - tr[i].second) / span * 1000.0;
            aim += aimSpeed * (t - tr[i].first) / 1000.0;
        }
        break;
    }
    }
    return (action_.stiffness * (aim - position) + action_.damping * (aimSpeed - velocity)) *
           radiansPerUnit;
}

}  // namespace quorsim
