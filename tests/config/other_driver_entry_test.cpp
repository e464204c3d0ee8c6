// Another driver's force-feedback entry of a wheel: set aside whole before ours is written,
// put back when ours is gone, and never lost or put back over a driver that is there.
#include "config/other_driver_entry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "config/settings_store.h"

namespace quorforce {
namespace {

const char kOurs[] = "{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}";
const char kTheirs[] = "{0A1B2C3D-0000-4000-8000-00000000F00D}";
const char kThird[] = "{0A1B2C3D-0000-4000-8000-0000000BEEF0}";
const char kDevice[] = "VID_046D&PID_C294";
const std::string kOem = std::string(kOemRoot) + kDevice;
const std::string kEntry = kOem + kForceFeedbackSubkey;
const std::string kAxis = kOem + kActuatorAxisSubkey;
const std::string kKept = std::string(kSetAsideRoot) + "\\VID_046D&PID_C294";

using Tree = std::map<std::string, std::pair<DWORD, std::vector<BYTE>>>;

// Every value below `path`, keyed by its relative key and name, read through the registry
// functions themselves.
void Collect(const std::string& path, const std::string& relative, Tree* tree) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    char name[256];
    BYTE data[512];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, size = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        (*tree)[relative + "|" + name] = {type, std::vector<BYTE>(data, data + size)};
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        (*tree)[relative + "\\" + name] = {};  // empty keys count too
        Collect(path + "\\" + name, relative + "\\" + name, tree);
    }
    RegCloseKey(key);
}

Tree TreeOf(const std::string& path) {
    Tree tree;
    Collect(path, "", &tree);
    return tree;
}

std::vector<BYTE> Text(const char* text) {
    return std::vector<BYTE>(text, text + std::char_traits<char>::length(text) + 1);
}

class OtherDriverEntry : public ::testing::Test {
protected:
    void SetUp() override { host::ResetRegistry(); }
    void TearDown() override { host::ResetRegistry(); }

    // A driver's entry as its maker writes it: an effect type quorforce does not register,
    // a value of its own, and the actuator's attributes.
    static void WriteEntry(const char* classId, BYTE mark) {
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, kEntry, "CLSID", REG_SZ, Text(classId));
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, kEntry, "Attributes", REG_BINARY,
                               {0, 0, 0, 0, mark, 0, 0, 0, mark, 0, 0, 0});
        host::SetRegistryValue(HKEY_LOCAL_MACHINE,
                               kEntry + "\\Effects\\{E6E1A1B0-0000-4000-8000-000000000001}", "",
                               REG_SZ, Text("Custom Rumble"));
        host::SetRegistryDword(HKEY_LOCAL_MACHINE,
                               kEntry + "\\Effects\\{E6E1A1B0-0000-4000-8000-000000000001}",
                               "Attributes", mark);
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, kAxis, "FFAttributes", REG_BINARY,
                               {mark, 0, 0, 0, 1, 0, 0, 0});
    }
    static void RegisterClass(const char* classId) {
        host::SetRegistryValue(
            HKEY_LOCAL_MACHINE,
            std::string("Software\\Classes\\CLSID\\") + classId + "\\InprocServer32", "", REG_SZ,
            Text("C:\\vendor\\ffb.dll"));
    }
    static void WriteOurs() {
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, kEntry, "CLSID", REG_SZ, Text(kOurs));
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, kAxis, "FFAttributes", REG_BINARY, {10});
    }
    static void RemoveOurs() {
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEntry.c_str(), 0, KEY_ALL_ACCESS, &key);
        RegDeleteValueA(key, "CLSID");
        RegCloseKey(key);
    }
};

// Ours over theirs and back: the player gets the other driver's entry back as it was, its
// effect types and actuator included, and nothing of the copy is left behind.
TEST_F(OtherDriverEntry, TheOtherDriversEntryComesBackWhole) {
    WriteEntry(kTheirs, 7);
    RegisterClass(kTheirs);
    const Tree before = TreeOf(kOem), entryBefore = TreeOf(kEntry);

    ASSERT_TRUE(SetAsideOtherDriverEntry(kDevice, kOurs));
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, kEntry));  // nothing to mix with
    EXPECT_EQ(TreeOf(kKept + "\\OEMForceFeedback"), entryBefore);
    WriteOurs();
    // A second registration finds its own entry: the copy of theirs stays as it is.
    const Tree kept = TreeOf(kKept);
    ASSERT_TRUE(SetAsideOtherDriverEntry(kDevice, kOurs));
    EXPECT_EQ(TreeOf(kKept), kept);

    RemoveOurs();
    EXPECT_TRUE(PutBackOtherDriverEntry(kDevice, kOurs));
    EXPECT_EQ(TreeOf(kOem), before);
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, kSetAsideRoot));
    EXPECT_EQ(std::string(kSetAsideRoot).rfind(std::string(kProductKey) + "\\", 0), 0u);
}

// What the wheel names when quorforce lets go decides what happens to the copy.
TEST_F(OtherDriverEntry, PutBackOnlyWhereNoDriverIsNamedAndTheKeptOneIsRegistered) {
    const struct {
        const char* name;
        const char* named;    // the wheel's CLSID then; nullptr: none
        bool keptRegistered;  // the kept driver's class is still there
        bool putBack;
        bool copyStays;
        const char* namedAfter;  // nullptr: none
    } cases[] = {
        {"ours is gone", nullptr, true, true, false, kTheirs},
        {"ours is still there (a rollback's order)", kOurs, true, false, true, kOurs},
        {"ours in lower case is ours", "{5c0e2a71-3b94-4d6a-9e21-7f40c8d1a6b3}", true, false, true,
         "{5c0e2a71-3b94-4d6a-9e21-7f40c8d1a6b3}"},
        {"a third driver took the wheel", kThird, true, false, false, kThird},
        {"the kept driver was uninstalled", nullptr, false, false, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host::ResetRegistry();
        WriteEntry(kTheirs, 7);
        if (c.keptRegistered) RegisterClass(kTheirs);
        ASSERT_TRUE(SetAsideOtherDriverEntry(kDevice, kOurs));
        if (c.named != nullptr)
            host::SetRegistryValue(HKEY_LOCAL_MACHINE, kEntry, "CLSID", REG_SZ, Text(c.named));
        EXPECT_EQ(PutBackOtherDriverEntry(kDevice, kOurs), c.putBack);
        EXPECT_EQ(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, kKept), c.copyStays);
        const Tree now = TreeOf(kEntry);
        const auto clsid = now.find("|CLSID");
        if (c.namedAfter == nullptr) {
            EXPECT_EQ(clsid, now.end());
        } else {
            ASSERT_NE(clsid, now.end());
            EXPECT_EQ(clsid->second.second, Text(c.namedAfter));
        }
    }
}

// A newer other driver replaces the older copy; an entry of ours or none makes none.
TEST_F(OtherDriverEntry, OnlyAnotherClassIsSetAside) {
    ASSERT_TRUE(SetAsideOtherDriverEntry(kDevice, kOurs));  // no entry at all
    WriteOurs();
    ASSERT_TRUE(SetAsideOtherDriverEntry(kDevice, kOurs));
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, kSetAsideRoot));
    EXPECT_FALSE(PutBackOtherDriverEntry(kDevice, kOurs));  // nothing kept

    WriteEntry(kTheirs, 7);
    ASSERT_TRUE(SetAsideOtherDriverEntry(kDevice, kOurs));
    WriteEntry(kThird, 9);
    ASSERT_TRUE(SetAsideOtherDriverEntry(kDevice, kOurs));
    const Tree kept = TreeOf(kKept + "\\OEMForceFeedback");
    EXPECT_EQ(kept.at("|CLSID").second, Text(kThird));
    EXPECT_EQ(TreeOf(kKept + "\\Axes\\0").at("|FFAttributes").second,
              (std::vector<BYTE>{9, 0, 0, 0, 1, 0, 0, 0}));
}

// Names from the setup's properties, a damaged copy or a refusing registry never reach
// outside the wheel's keys, and never cost the other driver its entry.
TEST_F(OtherDriverEntry, HostileNamesAndFailuresLeaveTheOtherEntryAlone) {
    for (const char* device : {"", "VID_046D&PID_C29", "VID_046D&PID_C294\\..", "VID_046D",
                               "..\\..\\OEM", "VID_046D&PID_C29G"}) {
        SCOPED_TRACE(device);
        EXPECT_FALSE(SetAsideOtherDriverEntry(device, kOurs));
        EXPECT_FALSE(PutBackOtherDriverEntry(device, kOurs));
    }
    EXPECT_FALSE(SetAsideOtherDriverEntry(nullptr, kOurs));
    EXPECT_FALSE(SetAsideOtherDriverEntry(kDevice, nullptr));

    WriteEntry(kTheirs, 7);
    const Tree before = TreeOf(kOem);
    host::RefuseWriting(HKEY_LOCAL_MACHINE, true);
    EXPECT_FALSE(SetAsideOtherDriverEntry(kDevice, kOurs));
    host::RefuseWriting(HKEY_LOCAL_MACHINE, false);
    EXPECT_EQ(TreeOf(kOem), before);

    // Deeper than any entry is: not copied, so not deleted.
    std::string deep = kEntry;
    for (int level = 0; level < 10; ++level)
        deep += "\\k";
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, deep, "v", 1);
    EXPECT_FALSE(SetAsideOtherDriverEntry(kDevice, kOurs));
    EXPECT_TRUE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, deep));
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, kSetAsideRoot));

    // A copy whose CLSID is not a class id names nothing that could be registered.
    host::ResetRegistry();
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, kKept + "\\OEMForceFeedback", "CLSID", REG_SZ,
                           Text("{..\\..\\x}"));
    EXPECT_FALSE(PutBackOtherDriverEntry(kDevice, kOurs));
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, kEntry));
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_LOCAL_MACHINE, kKept));
}

}  // namespace
}  // namespace quorforce
