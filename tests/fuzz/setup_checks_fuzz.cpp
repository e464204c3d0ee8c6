// The setup's checks and its actions' readers on hostile properties and data: the ids and the
// name from a command line, the deferred actions' data, the planned tuning values and the
// package's template values. Whatever passes holds none of the data's separators, and a plan
// that reads reads back the same and names no key above a wheel's own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "packaging/installer/setup_checks.h"

namespace {

using namespace quorforce::setup;

// The input's fields, split at NUL bytes.
std::vector<std::string> Fields(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            fields.emplace_back();
        } else {
            fields.back() += static_cast<char>(data[i]);
        }
    }
    fields.resize(5);
    return fields;
}

void Check(bool holds) {
    if (!holds) std::abort();
}

void CheckPlan(const std::vector<PlannedValue>& plan) {
    for (const PlannedValue& value : plan) {
        Check(LevelsUpToWheelKey(value.key) >= 0);
        Check(value.name.find_first_of(";|") == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> f = Fields(data, size);
    std::string vid = f[0], pid = f[1];
    const bool ids = NormalizeHexId(vid) && NormalizeHexId(pid);
    if (IsDeviceName(f[2])) Check(f[2].find_first_of(";|\\[]{}") == std::string::npos);

    DeviceData device;
    if (ParseDeviceData(f[3], &device)) {
        Check(device.device.size() == 17 && device.name.find_first_of(";|") == std::string::npos);
    }
    if (ids && IsDeviceName(f[2])) {
        Check(ParseDeviceData("VID_" + vid + "&PID_" + pid + "|" + f[2], &device));
    }

    std::vector<PlannedValue> plan, again;
    if (ParsePlan(f[4], &plan)) {
        CheckPlan(plan);
        Check(ParsePlan(FormatPlan(plan), &again) && again.size() == plan.size());
    }
    TemplateValue value;
    if (ids && ParseTemplateValue(f[4], vid, pid, &value)) {
        // The plan that PlanTuning makes of it, with the wheel's name, reads back.
        plan = {{value.key, value.name, false, value.number, ""}};
        if (IsDeviceName(f[2])) plan.push_back({value.key, "OEMName", true, 0, f[2]});
        Check(ParsePlan(FormatPlan(plan), &again) && again.size() == plan.size());
    }
    return 0;
}
