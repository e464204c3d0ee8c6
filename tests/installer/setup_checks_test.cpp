// The setup's checks of the wheel's ids and name, and the readers of its actions' data: what
// they refuse (so that nothing the command line gives can break the planned values or reach
// keys above the wheel's own), and that what PlanTuning writes, WriteTuning and UndoTuning
// read back whole.
#include "packaging/installer/setup_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorforce::setup {
namespace {

const std::string kWheel = std::string(kOemRoot) + "VID_046D&PID_C294";

TEST(SetupChecks, IdsAreFourHexadecimalDigitsMadeUpperCase) {
    const struct {
        const char* id;
        const char* normal;  // nullptr: refused
    } rows[] = {{"046d", "046D"},  {"C294", "C294"}, {"5A1", nullptr}, {"5A1C0", nullptr},
                {"12G4", nullptr}, {"", nullptr},    {"0x12", nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        std::string id = row.id;
        EXPECT_EQ(NormalizeHexId(id), row.normal != nullptr);
        if (row.normal != nullptr) {
            EXPECT_EQ(id, row.normal);
        }
    }
}

TEST(SetupChecks, NamesWithoutTheSyntaxOfTheRegistryTheInstallerOrTheDataPass) {
    const struct {
        std::string name;
        bool accepted;
    } rows[] = {
        {"Maker wheel GT", true},
        {"Quorvane USB wheel (2)", true},
        {std::string(kMaxNameLength, 'x'), true},
        {std::string(kMaxNameLength + 1, 'x'), false},
        {"", false},
        {"back\\slash", false},
        {"[ProductName]", false},
        {"{\\QfTitle}", false},
        {"wheel;VID_0000", false},
        {"wheel|s|x", false},
        {"tab\there", false},
        {"del\x7f", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsDeviceName(row.name), row.accepted);
    }
}

TEST(SetupChecks, DeviceDataNamesOneModelAndAName) {
    DeviceData device;
    ASSERT_TRUE(ParseDeviceData("vid_046d&pid_c294|Maker wheel GT", &device));
    EXPECT_EQ(device.device, "VID_046D&PID_C294");
    EXPECT_EQ(device.vendorId, 0x046D);
    EXPECT_EQ(device.productId, 0xC294);
    EXPECT_EQ(device.name, "Maker wheel GT");
    for (const char* data : {"", "|", "VID_046D|Maker", "VID_046D&PID_C294", "VID_046D&PID_C29|x",
                             "VID_046D&PID_C294|a|b", "VID_046D&PID_C294|[x]"}) {
        SCOPED_TRACE(data);
        EXPECT_FALSE(ParseDeviceData(data, &device));
    }
}

TEST(SetupChecks, RemovalsClimbNoHigherThanTheWheelsKey) {
    const struct {
        std::string path;
        int levels;
    } rows[] = {
        {kWheel, 0},
        {kWheel + "\\Quorvane\\FFB_API", 2},
        {kWheel + "\\Quorvane\\FFB_API\\0", 3},
        {std::string(kOemRoot), -1},
        {std::string(kOemRoot, sizeof kOemRoot - 2), -1},  // the OEM key itself
        {"System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick", -1},
        {"Software\\Quorvane\\VID_046D&PID_C294", -1},
        {kWheel + "\\", -1},
        {kWheel + "\\\\Quorvane", -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(LevelsUpToWheelKey(row.path), row.levels);
    }
}

TEST(SetupChecks, ThePlanReadsBackWholeAndRefusesWhatItCouldNotHaveWritten) {
    const std::vector<PlannedValue> plan = {
        {kWheel + "\\Quorvane\\FFB_API", "POLLING_STEP", false, 16, ""},
        {kWheel + "\\Quorvane\\FFB_API\\0", "Global_Value", false, 0xFFFFFFFFu, ""},
        {kWheel, "OEMName", true, 0, "Maker wheel GT"},
    };
    std::vector<PlannedValue> read;
    ASSERT_TRUE(ParsePlan(FormatPlan(plan), &read));
    ASSERT_EQ(read.size(), plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(read[i].key, plan[i].key);
        EXPECT_EQ(read[i].name, plan[i].name);
        EXPECT_EQ(read[i].isText, plan[i].isText);
        EXPECT_EQ(read[i].number, plan[i].number);
        EXPECT_EQ(read[i].text, plan[i].text);
    }
    ASSERT_TRUE(ParsePlan("", &read));
    EXPECT_TRUE(read.empty());

    const std::string key = kWheel + "\\Quorvane\\FFB_API|Usage|";
    for (const std::string& data : std::vector<std::string>{
             key + "d|4294967296", key + "d|-1", key + "d|", key + "x|1", key + "d|1;",
             key + "d|1|2", std::string(kOemRoot) + "|OEMName|s|x",
             std::string("Software\\Microsoft|Usage|d|1"), kWheel + "||d|1",
             kWheel + "|OEMName|s|a;b|s|c"}) {
        SCOPED_TRACE(data);
        EXPECT_FALSE(ParsePlan(data, &read));
    }
}

TEST(SetupChecks, TemplateValuesTakeTheWheelsIds) {
    TemplateValue value;
    ASSERT_TRUE(ParseTemplateValue("VID_VVVV&PID_PPPP\\Quorvane\\FFB_API\\0|Global_Value|100",
                                   "046D", "C294", &value));
    EXPECT_EQ(value.key, kWheel + "\\Quorvane\\FFB_API\\0");
    EXPECT_EQ(value.name, "Global_Value");
    EXPECT_EQ(value.number, 100u);
    for (const char* entry : {"VID_VVVV&PID_PPPP|Usage", "VID_VVVV&PID_PPPP|Usage|x", "|Usage|1",
                              "VID_VVVV&PID_PPPP||1"}) {
        SCOPED_TRACE(entry);
        EXPECT_FALSE(ParseTemplateValue(entry, "046D", "C294", &value));
    }
}

}  // namespace
}  // namespace quorforce::setup
