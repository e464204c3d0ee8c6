// The wheels of a run that carry a model: each moves under its motor and its hand between
// the polling steps, queues its input reports at its own interval with the encoder's
// position, and is recorded at every step beside the reports. Host only, virtual time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "tools/quorsim/hand.h"
#include "tools/quorsim/wheel_model.h"

namespace quorsim {

// The simulated wheel at one polling step: what it reported, where it truly was, and the
// velocity the driver's conditions take from its reads then.
struct PositionRecord {
    std::uint32_t ms = 0;
    int device = 0;
    std::int32_t reported = 0;
    double position = 0;  // axis units
    double velocity = 0;  // axis units per second
    double estimate = 0;  // the driver's estimate in use, axis units per second
};

// What the wheels need of the run: to queue an input report with a position, the channel
// byte a device last received (0x80 before any), and the driver's velocity estimate.
struct WheelLinks {
    std::function<void(int device, std::int32_t position)> queue;
    std::function<int(int device, int channel)> forceByte;
    std::function<double(int device)> estimate;
};

class SimulatedWheels {
public:
    explicit SimulatedWheels(WheelLinks links) : links_(std::move(links)) {}

    void Add(int device, const WheelModelConfig& config);
    bool Any() const { return !wheels_.empty(); }
    bool Has(int device) const { return Find(device) != nullptr; }

    void Hand(int device, const HandAction& action, std::uint32_t ms);
    // Before the first poll: every wheel's report of where it stands.
    void Start();
    // After the step at `ms`: the record of that step, then the motion up to the next one
    // under the force just received, with the reports that fall due on the way.
    void AfterStep(std::uint32_t ms, std::uint32_t step, std::vector<PositionRecord>* records,
                   std::vector<std::pair<std::uint32_t, double>>* trace);

private:
    struct Wheel {
        int device = 0;
        WheelModelConfig config;
        std::unique_ptr<WheelModel> model;
        quorsim::Hand hand;
    };
    const Wheel* Find(int device) const;

    WheelLinks links_;
    std::vector<Wheel> wheels_;
};

}  // namespace quorsim
