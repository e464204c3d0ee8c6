// The registry primitives: current user before machine, the type check, the capacity
// limit, writes under the current user, and keys closed on every path. The same cases run
// on the host stand-in and, in the Windows build under Wine, on the real registry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "config/registry_access.h"

namespace quorforce {
namespace {

const char* const kKey = "Software\\quorforce-tests\\registry";

void Put(HKEY hive, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(hive, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void PutDword(HKEY hive, const char* name, DWORD value) {
    Put(hive, name, REG_DWORD, &value, sizeof value);
}

class RegistryAccess : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            RegDeleteKeyA(hive, kKey);
        }
#ifndef _WIN32
        host::RefuseOpening(HKEY_CURRENT_USER, false);
        host::RefuseWriting(HKEY_CURRENT_USER, false);
        host::RefuseOpening(HKEY_LOCAL_MACHINE, false);
#endif
    }
};

TEST_F(RegistryAccess, NumberFallsBackFromAnotherTypeToTheMachine) {
    Put(HKEY_CURRENT_USER, "Global_Value", REG_SZ, "50", 3);
    PutDword(HKEY_LOCAL_MACHINE, "Global_Value", 80);
    EXPECT_EQ(ReadConfigDword(kKey, "Global_Value"), 80u);
    EXPECT_EQ(configReadFailed, 0);
}

TEST_F(RegistryAccess, CurrentUserShadowsTheMachine) {
    PutDword(HKEY_CURRENT_USER, "Global_Value", 50);
    PutDword(HKEY_LOCAL_MACHINE, "Global_Value", 80);
    EXPECT_EQ(ReadConfigDword(kKey, "Global_Value"), 50u);
    EXPECT_EQ(configReadFailed, 0);
}

TEST_F(RegistryAccess, MissingAndStoredZeroAreToldApartByTheFlag) {
    EXPECT_EQ(ReadConfigDword(kKey, "Nothing"), 0u);
    EXPECT_EQ(configReadFailed, 1);
    EXPECT_EQ(ReadConfigDword("Software\\quorforce-tests\\no such key", "Nothing"), 0u);
    EXPECT_EQ(configReadFailed, 1);
    PutDword(HKEY_LOCAL_MACHINE, "Zero", 0);
    EXPECT_EQ(ReadConfigDword(kKey, "Zero"), 0u);
    EXPECT_EQ(configReadFailed, 0);
}

TEST_F(RegistryAccess, BinaryRespectsTheCapacity) {
    const BYTE image[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Put(HKEY_LOCAL_MACHINE, "Image", REG_BINARY, image, sizeof image);
    BYTE small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(ReadConfigBinary(small, sizeof small, kKey, "Image"), 0);
    EXPECT_EQ(configReadFailed, 1);
    EXPECT_EQ(small[0], 0xAA);  // nothing read into it
    BYTE large[12];
    std::memset(large, 0xAA, sizeof large);
    EXPECT_EQ(ReadConfigBinary(large, sizeof large, kKey, "Image"), 1);
    EXPECT_EQ(configReadFailed, 0);
    EXPECT_EQ(std::memcmp(large, image, sizeof image), 0);
    EXPECT_EQ(large[8], 0xAA);  // past the value the buffer keeps its bytes
}

TEST_F(RegistryAccess, BinaryTakesAnyTypeAndFallsBack) {
    const DWORD number = 0x01020304;
    Put(HKEY_LOCAL_MACHINE, "Joystick Id", REG_DWORD, &number, sizeof number);
    DWORD read = 0;
    EXPECT_EQ(ReadConfigBinary(&read, sizeof read, kKey, "Joystick Id"), 1);
    EXPECT_EQ(read, number);
    EXPECT_EQ(ReadConfigBinary(&read, sizeof read, kKey, "Missing"), 0);
    EXPECT_EQ(configReadFailed, 1);
}

TEST_F(RegistryAccess, WritesCreateTheKeyUnderTheCurrentUser) {
    EXPECT_EQ(WriteConfigDword(85, kKey, "Global_Value"), 1);
    const BYTE image[3] = {9, 8, 7};
    EXPECT_EQ(WriteConfigBinary(image, sizeof image, kKey, "Value_Parameter_1"), 1);
    EXPECT_EQ(ReadConfigDword(kKey, "Global_Value"), 85u);
    BYTE read[3] = {};
    EXPECT_EQ(ReadConfigBinary(read, sizeof read, kKey, "Value_Parameter_1"), 1);
    EXPECT_EQ(read[2], 7);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    // An existing value is replaced, type and all.
    EXPECT_EQ(WriteConfigDword(90, kKey, "Value_Parameter_1"), 1);
    EXPECT_EQ(ReadConfigDword(kKey, "Value_Parameter_1"), 90u);
}

TEST_F(RegistryAccess, TheFlagBelongsToTheReadingThread) {
    EXPECT_EQ(ReadConfigDword(kKey, "Nothing"), 0u);
    std::thread other([] {
        PutDword(HKEY_LOCAL_MACHINE, "Found", 3);
        EXPECT_EQ(ReadConfigDword(kKey, "Found"), 3u);
        EXPECT_EQ(configReadFailed, 0);
    });
    other.join();
    EXPECT_EQ(configReadFailed, 1);
}

#ifndef _WIN32
TEST_F(RegistryAccess, RefusedHivesFailSoftlyAndCloseEveryKey) {
    const int openBefore = host::OpenRegistryKeyCount();
    PutDword(HKEY_CURRENT_USER, "Global_Value", 50);
    PutDword(HKEY_LOCAL_MACHINE, "Global_Value", 80);
    host::RefuseOpening(HKEY_CURRENT_USER, true);
    EXPECT_EQ(ReadConfigDword(kKey, "Global_Value"), 80u);
    host::RefuseOpening(HKEY_LOCAL_MACHINE, true);
    EXPECT_EQ(ReadConfigDword(kKey, "Global_Value"), 0u);
    EXPECT_EQ(configReadFailed, 1);
    BYTE buffer[4];
    EXPECT_EQ(ReadConfigBinary(buffer, sizeof buffer, kKey, "Global_Value"), 0);
    host::RefuseOpening(HKEY_CURRENT_USER, false);
    host::RefuseOpening(HKEY_LOCAL_MACHINE, false);
    host::RefuseWriting(HKEY_CURRENT_USER, true);
    EXPECT_EQ(WriteConfigDword(1, kKey, "Global_Value"), 0);
    EXPECT_EQ(WriteConfigBinary(buffer, sizeof buffer, "Software\\quorforce-tests\\new", "x"), 0);
    EXPECT_EQ(ReadConfigDword(kKey, "Global_Value"), 50u);  // reads still work
    // Type mismatch and capacity failures close their keys too.
    Put(HKEY_LOCAL_MACHINE, "Text", REG_SZ, "x", 2);
    EXPECT_EQ(ReadConfigDword(kKey, "Text"), 0u);
    EXPECT_EQ(ReadConfigBinary(buffer, 1, kKey, "Global_Value"), 0);
    EXPECT_EQ(host::OpenRegistryKeyCount(), openBefore);
}
#endif

}  // namespace
}  // namespace quorforce
