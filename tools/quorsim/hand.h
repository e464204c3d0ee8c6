// quorsim's hand on a simulated wheel: it holds the rim at a position, turns it at a
// speed (with a tremor, if asked), follows a recorded trace of positions, or lets go. It
// acts as a spring and a damper toward where it means the wheel to be. Host only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorsim {

// One `hand` command. Positions and speeds in axis units (per second); stiffness in
// N·m/rad and damping in N·m·s/rad of the wheel's rotation.
struct HandAction {
    enum Kind { Free, Hold, Turn, Trace };
    Kind kind = Free;
    double position = 0;  // hold: where
    double speed = 0;     // turn: axis units per second
    double noise = 0;     // turn: the tremor's size, axis units
    double stiffness = 2.0;
    double damping = 0.05;
    std::vector<std::pair<double, double>> trace;  // trace: (ms from the command, position)
};

// Reads "ms,position" lines ('#' comments); false with `error` set.
bool ReadTrace(const std::string& path, std::vector<std::pair<double, double>>* trace,
               std::string* error);

class Hand {
public:
    // A new action at `ms`, from the wheel's `position` then.
    void Take(const HandAction& action, std::uint32_t ms, double position);
    // The torque on the wheel at `ms` (one call a millisecond), given its angle and rate in
    // axis units; `radiansPerUnit` turns the hand's stiffness into the axis's units.
    double Torque(std::uint32_t ms, double position, double velocity, double radiansPerUnit);

private:
    double Tremor();

    HandAction action_;
    std::uint32_t since_ = 0;
    std::size_t cursor_ = 0;  // trace: the entry at or before the last time asked
    double from_ = 0;
    std::uint32_t seed_ = 12345;  // the tremor's own generator: the same run, the same tremor
    double tremor_ = 0;
};

}  // namespace quorsim
