// The one reading of the accepted-devices list, as the binding and the setup's actions use
// it: every separator a maker may write, names in either case, words the driver cannot read,
// and the edits that add and take away one wheel while keeping every other word.
#include "config/accepted_devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorforce {
namespace {

std::vector<std::string> Parsed(const char* text) {
    AcceptedDevice devices[kMaxAcceptedDevices];
    const int count = ParseAcceptedDevices(text, devices);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[kDeviceNameSize];
        FormatDeviceName(devices[i], name);
        names.push_back(name);
    }
    return names;
}

AcceptedDevice Model(std::uint16_t vendorId, std::uint16_t productId) {
    AcceptedDevice device;
    device.vendorId = vendorId;
    device.productId = productId;
    return device;
}

// Sixteen readable names, the most the driver reads.
std::string FullList() {
    std::string text;
    for (int i = 0; i < kMaxAcceptedDevices; ++i)
        text += "VID_1000&PID_" + std::to_string(1000 + i) + " ";
    return text;
}

TEST(AcceptedDevicesList, ParsesEverySeparatorAndSkipsWhatIsNoName) {
    const struct {
        const char* text;
        std::vector<std::string> names;
    } rows[] = {
        {"", {}},
        {"VID_046D&PID_C294", {"VID_046D&PID_C294"}},
        {"vid_046d&pid_c294", {"VID_046D&PID_C294"}},
        {"VID_046D", {"VID_046D"}},
        {"VID_1234&PID_5678,VID_046D&PID_C294", {"VID_1234&PID_5678", "VID_046D&PID_C294"}},
        {" ;VID_1234&PID_5678;\tVID_046D ,, ", {"VID_1234&PID_5678", "VID_046D"}},
        {"VID_12345&PID_5678 VID_12G4 PID_5678 VID_1234&PIX_5678 VID_ABCD",
         {"VID_ABCD"}},  // too long, not hexadecimal, no vendor, a broken product
        {"VID_1234&PID_5678|VID_046D", {}},  // '|' separates nothing
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(Parsed(row.text), row.names);
    }
    EXPECT_EQ(Parsed((FullList() + "VID_2000&PID_2000").c_str()).size(),
              static_cast<std::size_t>(kMaxAcceptedDevices));
}

TEST(AcceptedDevicesList, RemovesOneModelWhateverSeparatesItAndKeepsTheRest) {
    const AcceptedDevice wheel = Model(0x046D, 0xC294);
    const struct {
        const char* text;
        bool removed;
        const char* after;
    } rows[] = {
        {"VID_046D&PID_C294", true, ""},
        {"VID_1234&PID_5678,VID_046D&PID_C294", true, "VID_1234&PID_5678"},
        {"vid_046d&pid_c294;VID_1234&PID_5678\tmaker-note", true, "VID_1234&PID_5678 maker-note"},
        {"VID_046D&PID_C294 VID_046D&PID_C294", true, ""},
        // A vendor's every product is not the name of this model.
        {"VID_046D VID_046D&PID_C295", false, "VID_046D VID_046D&PID_C295"},
        {"", false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::string text = row.text;
        EXPECT_EQ(ListNamesDevice(text.c_str(), wheel), row.removed);
        EXPECT_EQ(RemoveFromList(text, wheel), row.removed);
        EXPECT_EQ(text, row.after);
        EXPECT_FALSE(ListNamesDevice(text.c_str(), wheel));
    }
}

TEST(AcceptedDevicesList, AddsOneModelAtTheEndUnlessTheDriverWouldNotReadIt) {
    const AcceptedDevice wheel = Model(0x046D, 0xC294);
    std::string text = "VID_1234&PID_5678,,junk";
    ASSERT_TRUE(AddToList(text, wheel));
    EXPECT_EQ(text, "VID_1234&PID_5678 junk VID_046D&PID_C294");
    EXPECT_EQ(Parsed(text.c_str()).back(), "VID_046D&PID_C294");

    std::string empty;
    ASSERT_TRUE(AddToList(empty, wheel));
    EXPECT_EQ(empty, "VID_046D&PID_C294");

    const std::string full = FullList();
    text = full;
    EXPECT_FALSE(AddToList(text, wheel));
    EXPECT_EQ(text, full);
}

}  // namespace
}  // namespace quorforce
