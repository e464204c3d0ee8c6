// The simulated wheel's integration and encoder.
#include "tools/quorsim/wheel_model.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace quorsim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kStepSeconds = 0.001;

bool Number(const std::string& text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(*value);
}

bool Range(const std::string& text, WheelModelConfig* model) {
    const std::size_t dots = text.find("..");
    double low = 0, high = 0;
    if (dots == std::string::npos || !Number(text.substr(0, dots), &low) ||
        !Number(text.substr(dots + 2), &high) || low >= high || low < -2147483648.0 ||
        high > 2147483647.0) {
        return false;
    }
    model->logicalMin = static_cast<std::int32_t>(low);
    model->logicalMax = static_cast<std::int32_t>(high);
    return true;
}

// One `name:value` of the model; false when the name is unknown or the value out of range.
bool Field(const std::string& name, const std::string& text, WheelModelConfig* m) {
    if (name == "range") return Range(text, m);
    double v = 0;
    if (!Number(text, &v)) return false;
    if (name == "inertia" && v > 0) return (m->inertia = v), true;
    if (name == "viscous" && v >= 0) return (m->viscous = v), true;
    if (name == "coulomb" && v >= 0) return (m->coulomb = v), true;
    if (name == "torque" && v >= 0) return (m->torque = v), true;
    if (name == "turn" && v > 0 && v <= 3600) return (m->turnDegrees = v), true;
    if (name == "counts" && v >= 2 && v <= 1 << 24) {
        return (m->counts = static_cast<std::int32_t>(v)), true;
    }
    if (name == "report" && v >= 1 && v <= 1000) {
        return (m->reportMs = static_cast<std::int32_t>(v)), true;
    }
    if (name == "start") return (m->start = v), true;
    if (name == "channel" && (v == 1 || v == 2)) return (m->channel = static_cast<int>(v)), true;
    return false;
}

}  // namespace

bool ParseWheelModel(const std::string& text, WheelModelConfig* model, std::string* error) {
    model->present = true;
    bool startGiven = false;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        const std::size_t colon = item.find(':');
        const std::string name = item.substr(0, colon);
        if (colon == std::string::npos || !Field(name, item.substr(colon + 1), model)) {
            *error = "'" + item +
                     "' is not a model field (inertia, viscous, coulomb, torque, turn, counts, "
                     "range:MIN..MAX, report, start, channel) with a value in range";
            return false;
        }
        startGiven = startGiven || name == "start";
    }
    // The middle of the count at the centre, where a still wheel reads steadily.
    if (!startGiven) model->start = (model->logicalMin + model->logicalMax + 1.0) / 2.0 + 0.5;
    return true;
}

WheelModel::WheelModel(const WheelModelConfig& config)
    : config_(config),
      radiansPerUnit_(config.turnDegrees * kPi / 180.0 /
                      (static_cast<double>(config.logicalMax) - config.logicalMin + 1)),
      halfTurn_(config.turnDegrees * kPi / 360.0) {
    const double centre = (config.logicalMin + static_cast<double>(config.logicalMax) + 1) / 2.0;
    angle_ = (config.start - centre) * radiansPerUnit_;
}

// Coulomb friction against the motion; at rest it holds up to its size against the drive.
double WheelModel::Friction(double drive) const {
    if (rate_ > 0) return -config_.coulomb;
    if (rate_ < 0) return config_.coulomb;
    if (std::fabs(drive) <= config_.coulomb) return -drive;
    return drive > 0 ? -config_.coulomb : config_.coulomb;
}

void WheelModel::Advance(int forceByte, double handTorque) {
    // A force byte above 0x80 pushes toward lower positions: the condition forces are
    // computed as the push back against the position, velocity or acceleration.
    const double motor = -config_.torque * (forceByte - 0x80);
    const double drive = motor + handTorque - config_.viscous * rate_;
    const double before = rate_;
    // Semi-implicit Euler: the new rate moves the angle, which keeps an undamped
    // oscillation's energy bounded at this step.
    rate_ += (drive + Friction(drive)) / config_.inertia * kStepSeconds;
    // Where friction alone turned the motion round it only stopped it: friction never
    // drives. A drive stronger than the friction does turn it round.
    const bool reversed = before != 0 && (before > 0) != (rate_ > 0);
    if (reversed && std::fabs(drive) <= config_.coulomb) rate_ = 0;
    angle_ += rate_ * kStepSeconds;
    if (angle_ > halfTurn_ || angle_ < -halfTurn_) {  // the end stops
        angle_ = angle_ > 0 ? halfTurn_ : -halfTurn_;
        rate_ = 0;
    }
}

double WheelModel::Position() const {
    const double centre = (config_.logicalMin + static_cast<double>(config_.logicalMax) + 1) / 2.0;
    return centre + angle_ / radiansPerUnit_;
}

double WheelModel::Velocity() const { return rate_ / radiansPerUnit_; }

std::int32_t WheelModel::Reported() const {
    // The encoder counts whole steps over the turn; the axis spreads them over its range.
    const double fraction = angle_ / (2 * halfTurn_) + 0.5;
    double count = std::floor(fraction * config_.counts);
    if (count < 0) count = 0;
    if (count > config_.counts - 1) count = config_.counts - 1;
    const double span = static_cast<double>(config_.logicalMax) - config_.logicalMin + 1;
    return static_cast<std::int32_t>(config_.logicalMin +
                                     std::floor(count * span / config_.counts));
}

}  // namespace quorsim
