// The force-feedback registration: every registered effect type is one the driver computes,
// under the id the download takes for it, and unregistering removes exactly what
// registering wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/registration.h"
#include "state/effect_ids.h"
#include "synthesis/slot_synthesis.h"
#include "tests/engine/engine_test_support.h"

namespace quorforce {
namespace {

TEST(Registration, EveryEffectTypeIsComputedUnderItsId) {
    const struct {
        const char* name;
        DWORD type;
        Synthesis synthesis;
    } expected[] = {
        {"Constant Force", DIEFT_CONSTANTFORCE, Synthesis::Constant},
        {"Ramp Force", DIEFT_RAMPFORCE, Synthesis::Ramp},
        {"Square", DIEFT_PERIODIC, Synthesis::Square},
        {"Sine", DIEFT_PERIODIC, Synthesis::Sine},
        {"Triangle", DIEFT_PERIODIC, Synthesis::Triangle},
        {"Sawtooth Up", DIEFT_PERIODIC, Synthesis::SawtoothUp},
        {"Sawtooth Down", DIEFT_PERIODIC, Synthesis::SawtoothDown},
        {"Spring", DIEFT_CONDITION, Synthesis::Condition},
        {"Damper", DIEFT_CONDITION, Synthesis::Condition},
        {"Inertia", DIEFT_CONDITION, Synthesis::Condition},
    };
    ASSERT_EQ(kRegisteredEffectCount, std::size(expected));
    const MotionField motions[] = {MotionField::Position, MotionField::Velocity,
                                   MotionField::Acceleration};
    for (std::size_t i = 0; i < kRegisteredEffectCount; ++i) {
        const RegisteredEffect& e = kRegisteredEffects[i];
        SCOPED_TRACE(e.name);
        EXPECT_STREQ(e.name, expected[i].name);
        EXPECT_EQ(e.attributes.dwEffType & 0xFF, expected[i].type);
        const EffectIdEntry* entry = FindEffectId(e.attributes.dwEffectId);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->synthesis, expected[i].synthesis);
        if (i >= 7) {
            EXPECT_EQ(entry->motion, motions[i - 7]);
        }
        // Only conditions claim condition capabilities.
        const bool condition = expected[i].type == DIEFT_CONDITION;
        EXPECT_EQ((e.attributes.dwEffType & DIEFT_DEADBAND) != 0, condition);
        EXPECT_EQ(e.attributes.dwStaticParams & (DIEP_TRIGGERBUTTON | DIEP_SAMPLEPERIOD), 0u);
        EXPECT_EQ(e.attributes.dwCoords, DIEFF_POLAR);
    }
}

// A game shapes an effect with an envelope only where the registration claims one, so the
// claim must be exactly where the engine applies it: an attack from nothing over 500 ms
// leaves less force at 100 ms than no envelope does.
TEST(Registration, ClaimsTheEnvelopeWhereTheEngineAppliesIt) {
    const DeviceSettings settings = test::Settings(test::Mode::Force, test::Channels::One);
    const MotionState motion = {};
    for (std::size_t i = 0; i < kRegisteredEffectCount; ++i) {
        const DIEFFECTATTRIBUTES& attributes = kRegisteredEffects[i].attributes;
        SCOPED_TRACE(kRegisteredEffects[i].name);
        EffectSlot plain = test::SlotOf(attributes.dwEffectId);
        plain.duration = 1000000;
        plain.constant.magnitude = 5000;
        plain.ramp = {5000, 5000};
        plain.periodic = {5000, 0, 0, 400000};
        plain.condition.positiveCoefficient = 5000;
        plain.condition.positiveSaturation = 10000;
        EffectSlot shaped = plain;
        shaped.envelope = {20, 0, 500000, 10000, 0};
        const bool applied = SynthesizeSlot(shaped, settings, 100, motion).Word() !=
                             SynthesizeSlot(plain, settings, 100, motion).Word();
        EXPECT_EQ((attributes.dwStaticParams & DIEP_ENVELOPE) != 0, applied);
        EXPECT_EQ((attributes.dwDynamicParams & DIEP_ENVELOPE) != 0, applied);
        EXPECT_EQ((attributes.dwEffType & DIEFT_FFATTACK) != 0, applied);
        EXPECT_EQ((attributes.dwEffType & DIEFT_FFFADE) != 0, applied);
    }
}

class RegistrationRoundTrip : public ::testing::Test {
protected:
    void SetUp() override { host::ResetRegistry(); }
    void TearDown() override { host::ResetRegistry(); }
    static bool Exists(const std::string& path, const std::string& name) {
        DWORD type = 0;
        std::vector<BYTE> data;
        return host::GetRegistryValue(HKEY_LOCAL_MACHINE, path, name, &type, &data);
    }
    static std::vector<BYTE> Value(const std::string& path, const std::string& name) {
        DWORD type = 0;
        std::vector<BYTE> data;
        host::GetRegistryValue(HKEY_LOCAL_MACHINE, path, name, &type, &data);
        return data;
    }
    static bool KeyExists(const std::string& path) {
        return host::RegistryKeyExists(HKEY_LOCAL_MACHINE, path);
    }
    const std::string ff_ = kForceFeedbackKey;
    const std::string oem_ = ff_.substr(0, ff_.rfind('\\'));
    const std::string classKey_ =
        "Software\\Classes\\CLSID\\{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}";
};

TEST_F(RegistrationRoundTrip, UnregisterRemovesOnlyWhatRegisterWrote) {
    const std::string other =
        "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
        "VID_1234&PID_5678\\OEMForceFeedback";
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, oem_, "OEMName", REG_SZ, {'W', 0});
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, other, "CLSID", REG_SZ, {'X', 0});
    ASSERT_EQ(RegisterServer("C:\\wheel\\quorforce.dll"), S_OK);
    const std::vector<BYTE> path = Value(classKey_ + "\\InprocServer32", "");
    EXPECT_STREQ(reinterpret_cast<const char*>(path.data()), "C:\\wheel\\quorforce.dll");
    EXPECT_EQ(Value(classKey_ + "\\InprocServer32", "ThreadingModel"),
              (std::vector<BYTE>{'B', 'o', 't', 'h', 0}));
    EXPECT_EQ(Value(ff_, "Attributes").size(), 12u);
    EXPECT_EQ(Value(ff_ + "\\Effects\\{13541C27-8E33-11D0-9AD0-00A0C9A06E35}", "Attributes").size(),
              20u);

    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(UnregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(ff_));
    EXPECT_FALSE(KeyExists(classKey_));
    EXPECT_TRUE(Exists(oem_, "OEMName"));  // the device's own installation stays
    EXPECT_TRUE(Exists(other, "CLSID"));   // and so does another device's driver

    // Alone, the device's OEM key goes with the registration that made it.
    host::ResetRegistry();
    ASSERT_EQ(RegisterServer("C:\\quorforce.dll"), S_OK);
    UnregisterServer();
    EXPECT_FALSE(KeyExists(oem_));
}

TEST_F(RegistrationRoundTrip, ARefusedWriteIsReported) {
    host::RefuseWriting(HKEY_LOCAL_MACHINE, true);
    EXPECT_EQ(RegisterServer("C:\\quorforce.dll"), static_cast<HRESULT>(0x80040201u));
    host::RefuseWriting(HKEY_LOCAL_MACHINE, false);
}

}  // namespace
}  // namespace quorforce
