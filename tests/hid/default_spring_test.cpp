// The default spring's two feature reports on the built-in wheel (report 2: usages 1 and 2,
// report 3: usages 3 and 4, 16 bits each), and the calls that must send nothing.
#include <memory>
#include <string>
#include <vector>

#include "hid/default_spring.h"
#include "tests/hid/hid_test_support.h"

namespace quorforce {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DefaultSpring : public test::DeviceLinkTest {
protected:
    // Binds a device of `descriptor` as joystick `joystick` on area `area`, as DeviceID does.
    std::shared_ptr<host::VirtualHid> Bind(const Bytes& descriptor, int joystick, int area) {
        process.table = table_.get();
        auto device = Plug(Config(descriptor, 0x5A1C, 0xE410, "000" + std::to_string(area)),
                           joystick, joystick);
        EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[area], joystick, 1),
                  Done::Yes);
        process.placeOfArea[area] = joystick;
        process.areaOfPlace[joystick] = area;
        return device;
    }
    DeviceSettings& Settings(int joystick) { return table_->settings[joystick]; }

    std::unique_ptr<SharedEffectTable> table_ = std::make_unique<SharedEffectTable>();
};

TEST_F(DefaultSpring, ReportsCarryTheSwitchAndTheScaledStrength) {
    struct Row {
        std::uint8_t enabled;
        std::int32_t value;
        std::vector<Bytes> reports;
    };
    const Row rows[] = {
        {0, 100, {{2, 0x00, 0x00, 0x00, 0x80}}},
        {1, 100, {{2, 0xFF, 0xFF, 0x00, 0x80}, {3, 127, 0, 127, 0}}},
        {1, 50, {{2, 0xFF, 0xFF, 0x00, 0x80}, {3, 63, 0, 127, 0}}},
        {1, 101, {{2, 0xFF, 0xFF, 0x00, 0x80}, {3, 128, 0, 127, 0}}},
        {1, 0, {{2, 0xFF, 0xFF, 0x00, 0x80}, {3, 0, 0, 127, 0}}},
        {1, -10, {{2, 0xFF, 0xFF, 0x00, 0x80}, {3, 0xF4, 0xFF, 127, 0}}},  // -12, low 16 bits
        // 32-bit arithmetic: 20,000,000 x 127 wraps to -1,754,967,296, / 100 = -17,549,672.
        {1, 20000000, {{2, 0xFF, 0xFF, 0x00, 0x80}, {3, 0x98, 0x36, 127, 0}}},
    };
    auto wheel = Bind(host::BuiltInWheelDescriptor(), 0, 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        wheel->ClearReports();
        Settings(0).springEnabled = row.enabled;
        Settings(0).springValue = row.value;
        EXPECT_EQ(ZXSetDefaultSpring(process, 0), Done::Yes);
        std::vector<Bytes> features;
        for (const host::RecordedReport& r : wheel->Reports()) {
            if (r.kind == host::RecordedReport::Feature) features.push_back(r.bytes);
        }
        EXPECT_EQ(features, row.reports);
    }
}

TEST_F(DefaultSpring, SendsNothingWithoutItsOwnBoundDeviceOrItsFeatureValues) {
    auto wheel = Bind(host::BuiltInWheelDescriptor(), 0, 0);
    Settings(3).springEnabled = 1;
    EXPECT_EQ(ZXSetDefaultSpring(process, 3), Done::No);  // joystick 3 maps to area 0, bound to 0
    EXPECT_EQ(ZXSetDefaultSpring(process, -1), Done::No);
    EXPECT_EQ(ZXSetDefaultSpring(process, 8), Done::No);
    EXPECT_TRUE(wheel->Reports().empty());

    test::Descriptor noFeatures;
    noFeatures.UsagePage(1).Usage(4).Application().ReportId(1);
    noFeatures.Usage(0x30).Logical(0, 1023).Size(10, 1).Input().Size(6, 1).Item(0x80, 0x03);
    noFeatures.Buttons(8).ForceOutput(16).End();
    auto plain = Bind(noFeatures.Bytes(), 1, 1);
    EXPECT_EQ(ZXSetDefaultSpring(process, 1), Done::No);
    EXPECT_TRUE(plain->Reports().empty());
}

TEST_F(DefaultSpring, RefusedFirstReportEndsTheCallARefusedSecondDoesNot) {
    auto wheel = Bind(host::BuiltInWheelDescriptor(), 0, 0);
    Settings(0).springEnabled = 1;
    wheel->RefuseFeatures(true);
    EXPECT_EQ(ZXSetDefaultSpring(process, 0), Done::No);
    EXPECT_TRUE(wheel->Reports().empty());
    wheel->RefuseFeaturesAfter(1);
    EXPECT_EQ(ZXSetDefaultSpring(process, 0), Done::Yes);
    ASSERT_EQ(wheel->Reports().size(), 1u);
    EXPECT_EQ(wheel->Reports()[0].bytes, (Bytes{2, 0xFF, 0xFF, 0x00, 0x80}));
}

// The strength and its scale in two reports cannot travel in one buffer: the switch is
// sent, then the call gives up.
TEST_F(DefaultSpring, UsagesOfOneReportInTwoReportsFailAfterTheFirst) {
    test::Descriptor split;
    split.UsagePage(1).Usage(4).Application().ReportId(1);
    split.Usage(0x30).Logical(0, 1023).Size(10, 1).Input().Size(6, 1).Item(0x80, 0x03);
    split.Buttons(8).ForceOutput(16);
    split.UsagePage(0xFF00).Logical(0, 0xFFFF).Size(16, 2);
    split.ReportId(2).Usage(1).Usage(2).Feature();
    split.Size(16, 1).ReportId(3).Usage(3).Feature().ReportId(4).Usage(4).Feature().End();
    auto wheel = Bind(split.Bytes(), 0, 0);
    Settings(0).springEnabled = 1;
    EXPECT_EQ(ZXSetDefaultSpring(process, 0), Done::No);
    ASSERT_EQ(wheel->Reports().size(), 1u);
    EXPECT_EQ(wheel->Reports()[0].bytes, (Bytes{2, 0xFF, 0xFF, 0x00, 0x80}));
}

}  // namespace
}  // namespace quorforce
