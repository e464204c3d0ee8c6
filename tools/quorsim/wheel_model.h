// quorsim's simulated wheel: a rotor with inertia, viscous and Coulomb friction, driven by
// its motor from the force byte it last received and by a hand, integrated at 1 ms, with
// its encoder quantising the angle into the axis's logical range. Host only; one per
// modelled device of a run, advanced by the simulation between its polling steps.
#pragma once

#include <cstdint>
#include <string>

namespace quorsim {

// `model=` of a `wheel` line, in SI units; the axis in its own logical units.
struct WheelModelConfig {
    bool present = false;
    double inertia = 0.01;       // kg·m², rotor and rim
    double viscous = 0.02;       // N·m·s/rad
    double coulomb = 0.02;       // N·m
    double torque = 0.016;       // N·m per unit of the force byte away from 0x80
    double turnDegrees = 270;    // lock to lock
    std::int32_t counts = 1024;  // encoder counts over the full turn
    std::int32_t logicalMin = 0;
    std::int32_t logicalMax = 1023;
    std::int32_t reportMs = 8;  // the device's input report interval
    int channel = 2;            // the channel byte that drives the motor: 2 for a one-value wheel
    double start = 512.5;       // the angle at the start, in axis units (mid-count at the centre)
};

// Parses "inertia:0.01,viscous:0.02,...,range:0..1023,report:8"; false with `error` set.
bool ParseWheelModel(const std::string& text, WheelModelConfig* model, std::string* error);

class WheelModel {
public:
    explicit WheelModel(const WheelModelConfig& config);

    // One millisecond under the motor's force byte (0x80 = none) and the hand's torque.
    void Advance(int forceByte, double handTorque);

    // What the encoder reports: the axis value of the angle.
    std::int32_t Reported() const;
    // The angle and its rate in axis units (not quantised), and the conversion of both.
    double Position() const;
    double Velocity() const;  // axis units per second
    double RadiansPerUnit() const { return radiansPerUnit_; }

private:
    double Friction(double drive) const;

    WheelModelConfig config_;
    double radiansPerUnit_;
    double halfTurn_;   // rad
    double angle_ = 0;  // rad from the centre
    double rate_ = 0;   // rad/s
};

}  // namespace quorsim
