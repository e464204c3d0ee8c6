// Moving the simulated wheels between the polling steps.
#include "tools/quorsim/simulated_wheels.h"

namespace quorsim {

void SimulatedWheels::Add(int device, const WheelModelConfig& config) {
    if (!config.present) return;
    Wheel wheel;
    wheel.device = device;
    wheel.config = config;
    wheel.model = std::make_unique<WheelModel>(config);
    wheels_.push_back(std::move(wheel));
}

const SimulatedWheels::Wheel* SimulatedWheels::Find(int device) const {
    for (const Wheel& w : wheels_) {
        if (w.device == device) return &w;
    }
    return nullptr;
}

void SimulatedWheels::Hand(int device, const HandAction& action, std::uint32_t ms) {
    for (Wheel& w : wheels_) {
        if (w.device == device) w.hand.Take(action, ms, w.model->Position());
    }
}

void SimulatedWheels::Start() {
    for (const Wheel& w : wheels_)
        links_.queue(w.device, w.model->Reported());
}

void SimulatedWheels::AfterStep(std::uint32_t ms, std::uint32_t step,
                                std::vector<PositionRecord>* records,
                                std::vector<std::pair<std::uint32_t, double>>* trace) {
    for (Wheel& w : wheels_) {
        WheelModel& model = *w.model;
        records->push_back({ms, w.device, model.Reported(), model.Position(), model.Velocity(),
                            links_.estimate(w.device)});
        // The force the wheel received at this step drives it until the next one.
        const int force = links_.forceByte(w.device, w.config.channel);
        for (std::uint32_t t = ms + 1; t <= ms + step; ++t) {
            const double hand =
                w.hand.Torque(t, model.Position(), model.Velocity(), model.RadiansPerUnit());
            model.Advance(force, hand);
            if (t % static_cast<std::uint32_t>(w.config.reportMs) == 0) {
                links_.queue(w.device, model.Reported());
            }
            if (trace != nullptr && &w == &wheels_.front())
                trace->emplace_back(t, model.Position());
        }
    }
}

}  // namespace quorsim
