// The force-feedback registration: every registered effect type is one the driver computes,
// under the id the download takes for it, and unregistering removes exactly what
// registering wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "config/settings_catalogue.h"
#include "config/settings_store.h"
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
        {"Friction", DIEFT_CONDITION, Synthesis::Friction},
    };
    ASSERT_EQ(kRegisteredEffectCount, std::size(expected));
    const MotionField motions[] = {MotionField::Position, MotionField::Velocity,
                                   MotionField::Acceleration, MotionField::Velocity};
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
        // Only conditions (friction among them) claim condition capabilities.
        const bool condition = expected[i].type == DIEFT_CONDITION;
        EXPECT_EQ((e.attributes.dwEffType & DIEFT_DEADBAND) != 0, condition);
        EXPECT_EQ(e.attributes.dwStaticParams & (DIEP_TRIGGERBUTTON | DIEP_SAMPLEPERIOD), 0u);
        EXPECT_EQ(e.attributes.dwCoords, DIEFF_CARTESIAN | DIEFF_POLAR);
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
    static bool Exists(const std::string& path, const std::string& name,
                       HKEY hive = HKEY_LOCAL_MACHINE) {
        DWORD type = 0;
        std::vector<BYTE> data;
        return host::GetRegistryValue(hive, path, name, &type, &data);
    }
    static std::vector<BYTE> Value(const std::string& path, const std::string& name) {
        DWORD type = 0;
        std::vector<BYTE> data;
        host::GetRegistryValue(HKEY_LOCAL_MACHINE, path, name, &type, &data);
        return data;
    }
    static std::string Text(const std::string& path, const std::string& name) {
        const std::vector<BYTE> data = Value(path, name);
        return data.empty() ? "" : std::string(reinterpret_cast<const char*>(data.data()));
    }
    template <typename Record>
    static std::vector<BYTE> BytesOf(const Record& record) {
        const auto* bytes = reinterpret_cast<const BYTE*>(&record);
        return std::vector<BYTE>(bytes, bytes + sizeof record);
    }
    static bool KeyExists(const std::string& path, HKEY hive = HKEY_LOCAL_MACHINE) {
        return host::RegistryKeyExists(hive, path);
    }
    static std::string Accepted() { return Text(kProductKey, "Accepted_Devices"); }

    const std::string oem_ = OemKeyOf(0x5A1C, 0xE410);
    const std::string ff_ = oem_ + kForceFeedbackSubkey;
    const std::string axis_ = oem_ + kActuatorAxisSubkey;
    const std::string classKey_ =
        "Software\\Classes\\CLSID\\{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}";
    const std::string pageKey_ = "Software\\Classes\\CLSID\\{5C0E2A72-3B94-4D6A-9E21-7F40C8D1A6B3}";
};

TEST_F(RegistrationRoundTrip, UnregisterRemovesOnlyWhatRegisterWrote) {
    const std::string other = OemKeyOf(0x1234, 0x5678) + kForceFeedbackSubkey;
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, oem_, "OEMName", REG_SZ, {'W', 0});
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, other, "CLSID", REG_SZ, {'X', 0});
    ASSERT_EQ(RegisterServer("C:\\wheel\\quorforce.dll"), S_OK);
    EXPECT_EQ(Text(classKey_ + "\\InprocServer32", ""), "C:\\wheel\\quorforce.dll");
    EXPECT_EQ(Text(classKey_ + "\\InprocServer32", "ThreadingModel"), "Both");
    // The wheel keeps the applet's own Test and Settings pages: no ConfigCLSID by default,
    // and the page's class only beside its DLL (none here).
    EXPECT_FALSE(Exists(oem_, "ConfigCLSID"));
    EXPECT_FALSE(KeyExists(pageKey_));
    // DirectInput reads the device's flags as reserved: 0. The X axis is the actuator.
    EXPECT_EQ(Value(ff_, "Attributes"),
              (std::vector<BYTE>{0, 0, 0, 0, 0x80, 0x3E, 0, 0, 0x80, 0x3E, 0, 0}));
    EXPECT_EQ(Value(axis_, "Attributes"), (std::vector<BYTE>{0x01, 0x01, 0, 0, 0x01, 0, 0x30, 0}));
    EXPECT_EQ(Value(axis_, "FFAttributes"), BytesOf(kActuatorAxisForce));
    EXPECT_NE(kActuatorAxisForce.dwFFMaxForce, 0u);
    EXPECT_NE(kActuatorAxisForce.dwFFForceResolution, 0u);
    EXPECT_EQ(Value(ff_ + "\\Effects\\{13541C27-8E33-11D0-9AD0-00A0C9A06E35}", "Attributes").size(),
              20u);
    EXPECT_FALSE(Exists(kProductKey, "Accepted_Devices"));  // its vendor needs no naming

    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(UnregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(ff_));
    EXPECT_FALSE(KeyExists(oem_ + "\\Axes"));
    EXPECT_FALSE(KeyExists(classKey_));
    EXPECT_FALSE(KeyExists(pageKey_));
    EXPECT_FALSE(Exists(oem_, "ConfigCLSID"));
    EXPECT_TRUE(Exists(oem_, "OEMName"));  // the device's own installation stays
    EXPECT_TRUE(Exists(other, "CLSID"));   // and so does another device's driver

    // Alone, the device's OEM key goes with the registration that made it.
    host::ResetRegistry();
    ASSERT_EQ(RegisterServer("C:\\quorforce.dll"), S_OK);
    UnregisterServer();
    EXPECT_FALSE(KeyExists(oem_));
}

// A maker's wheel: its own entry, and its name in the list the binding also accepts, once;
// unregistering takes out its name and leaves the others'.
TEST_F(RegistrationRoundTrip, AnotherVendorsWheelIsNamedInTheAcceptedDevices) {
    const std::string logitech = OemKeyOf(0x046D, 0xC294);
    EXPECT_EQ(logitech.substr(logitech.rfind('\\') + 1), "VID_046D&PID_C294");
    ASSERT_EQ(RegisterDevice(0x046D, 0xC294), S_OK);
    ASSERT_EQ(RegisterDevice(0x046D, 0xC294), S_OK);
    ASSERT_EQ(RegisterDevice(0x1209, 0x0001), S_OK);
    EXPECT_EQ(Accepted(), "VID_046D&PID_C294 VID_1209&PID_0001");
    EXPECT_EQ(Text(logitech + kForceFeedbackSubkey, "CLSID"),
              "{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}");
    EXPECT_TRUE(Exists(logitech + kActuatorAxisSubkey, "FFAttributes"));

    EXPECT_EQ(UnregisterDevice(0x046D, 0xC294), S_OK);
    EXPECT_FALSE(KeyExists(logitech));
    EXPECT_EQ(Accepted(), "VID_1209&PID_0001");
    EXPECT_EQ(UnregisterDevice(0x1209, 0x0001), S_OK);
    EXPECT_FALSE(KeyExists(oem_));  // nothing left under the product key either
}

// DirectInput reads the user's copy of the entry too: another driver's copy is removed, this
// driver's own and other devices' stay.
TEST_F(RegistrationRoundTrip, AStalePerUserEntryOfTheSameWheelIsRemoved) {
    const std::string stale = ff_ + "\\Effects\\{13541C20-8E33-11D0-9AD0-00A0C9A06E35}";
    const std::string otherWheel = OemKeyOf(0x046D, 0xC294) + kForceFeedbackSubkey;
    host::SetRegistryValue(HKEY_CURRENT_USER, ff_, "CLSID", REG_SZ, {'{', 'E', '}', 0});
    host::SetRegistryValue(HKEY_CURRENT_USER, stale, "Attributes", REG_BINARY, {1});
    host::SetRegistryValue(HKEY_CURRENT_USER, otherWheel, "CLSID", REG_SZ, {'{', 'E', '}', 0});
    ASSERT_EQ(RegisterServer("C:\\quorforce.dll"), S_OK);
    EXPECT_FALSE(KeyExists(ff_, HKEY_CURRENT_USER));
    EXPECT_TRUE(KeyExists(otherWheel, HKEY_CURRENT_USER));

    const char ours[] = "{5c0e2a71-3b94-4d6a-9e21-7f40c8d1a6b3}";  // any case is ours
    host::SetRegistryValue(HKEY_CURRENT_USER, ff_, "CLSID", REG_SZ,
                           std::vector<BYTE>(ours, ours + sizeof ours));
    ASSERT_EQ(RegisterServer("C:\\quorforce.dll"), S_OK);
    EXPECT_TRUE(Exists(ff_, "CLSID", HKEY_CURRENT_USER));
}

TEST_F(RegistrationRoundTrip, ARefusedWriteIsReported) {
    host::RefuseWriting(HKEY_LOCAL_MACHINE, true);
    EXPECT_EQ(RegisterServer("C:\\quorforce.dll"), static_cast<HRESULT>(0x80040201u));
    EXPECT_EQ(RegisterDevice(0x046D, 0xC294), static_cast<HRESULT>(0x80040201u));
    host::RefuseWriting(HKEY_LOCAL_MACHINE, false);
}

// Another driver's entry for the same wheel: set aside by the registration, given back by
// the unregistration, through both the model's route (regsvr32 /i) and the built-in wheel's
// (regsvr32); never deleted when that driver has taken the wheel back meanwhile.
TEST_F(RegistrationRoundTrip, AnotherDriversEntryIsKeptAndGivenBack) {
    const char theirs[] = "{0A1B2C3D-0000-4000-8000-00000000F00D}";
    const std::vector<BYTE> theirsText(theirs, theirs + sizeof theirs);
    const std::string custom = "\\Effects\\{E6E1A1B0-0000-4000-8000-000000000001}";
    const struct {
        const char* name;
        std::string oem;
        HRESULT (*reg)();
        HRESULT (*unreg)();
    } routes[] = {
        {"a maker's wheel", OemKeyOf(0x046D, 0xC294), [] { return RegisterDevice(0x046D, 0xC294); },
         [] { return UnregisterDevice(0x046D, 0xC294); }},
        {"the built-in wheel", oem_, [] { return RegisterServer("C:\\quorforce.dll"); },
         [] { return UnregisterServer(); }},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.name);
        host::ResetRegistry();
        const std::string ff = route.oem + kForceFeedbackSubkey;
        const std::string axis = route.oem + kActuatorAxisSubkey;
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, ff, "CLSID", REG_SZ, theirsText);
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, ff + custom, "Attributes", REG_BINARY, {7});
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, axis, "FFAttributes", REG_BINARY, {7, 0});
        host::SetRegistryValue(
            HKEY_LOCAL_MACHINE,
            std::string("Software\\Classes\\CLSID\\") + theirs + "\\InprocServer32", "", REG_SZ,
            {'x', 0});

        ASSERT_EQ(route.reg(), S_OK);
        ASSERT_EQ(route.reg(), S_OK);  // again: the copy must still be theirs
        EXPECT_EQ(Text(ff, "CLSID"), "{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}");
        EXPECT_FALSE(KeyExists(ff + custom));  // their effect types are not offered as ours
        EXPECT_EQ(Value(axis, "FFAttributes"), BytesOf(kActuatorAxisForce));

        ASSERT_EQ(route.unreg(), S_OK);
        EXPECT_EQ(Value(ff, "CLSID"), theirsText);
        EXPECT_EQ(Value(ff + custom, "Attributes"), (std::vector<BYTE>{7}));
        EXPECT_EQ(Value(axis, "FFAttributes"), (std::vector<BYTE>{7, 0}));
        EXPECT_FALSE(KeyExists(ff + "\\Effects\\{13541C20-8E33-11D0-9AD0-00A0C9A06E35}"));

        // Registered again, and their driver writes itself back over ours: the
        // unregistration leaves their entry as it finds it.
        ASSERT_EQ(route.reg(), S_OK);
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, ff, "CLSID", REG_SZ, theirsText);
        ASSERT_EQ(route.unreg(), S_OK);
        EXPECT_EQ(Value(ff, "CLSID"), theirsText);
        EXPECT_EQ(Value(axis, "FFAttributes"), BytesOf(kActuatorAxisForce));
    }
}

// The Game Controllers page replaces the applet's own pages, so it is written only on
// request (regsvr32 /i:"page"), only when quorpage.dll lies beside the driver, and taken
// away only where the wheel names ours.
TEST_F(RegistrationRoundTrip, ThePageIsWrittenOnRequestWhereItsDllIs) {
    const std::string page = "C:\\wheel\\quorpage.dll";
    const std::string logitech = OemKeyOf(0x046D, 0xC294);
    const struct {
        const char* command;
        bool dllThere;
        HRESULT result;
        std::string pagedKey;  // "" for none
    } cases[] = {
        {"page", true, S_OK, oem_},
        {"PAGE", true, S_OK, oem_},
        {"VID_046D&PID_C294 page", true, S_OK, logitech},
        {"page", false, static_cast<HRESULT>(0x80070002u), ""},
        {"pages", true, E_INVALIDARG, ""},
        {"", true, E_INVALIDARG, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        host::ResetRegistry();
        host::SetFileExists(page, c.dllThere);
        EXPECT_EQ(RunInstallCommand(true, c.command, "C:\\wheel\\quorforce.dll"), c.result);
        for (const std::string& key : {oem_, logitech}) {
            EXPECT_EQ(Text(key, "ConfigCLSID"),
                      key == c.pagedKey ? "{5C0E2A72-3B94-4D6A-9E21-7F40C8D1A6B3}" : "");
        }
        EXPECT_EQ(Text(pageKey_ + "\\InprocServer32", ""), c.pagedKey.empty() ? "" : page);
        if (c.pagedKey.empty()) continue;
        EXPECT_EQ(Text(pageKey_ + "\\InprocServer32", "ThreadingModel"), "Apartment");
        EXPECT_EQ(RunInstallCommand(false, c.command, "C:\\wheel\\quorforce.dll"), S_OK);
        EXPECT_FALSE(Exists(c.pagedKey, "ConfigCLSID"));
    }

    // The plain registration registers the page's class beside its DLL, and names it nowhere.
    host::ResetRegistry();
    ASSERT_EQ(RegisterServer("C:\\wheel\\quorforce.dll"), S_OK);
    EXPECT_EQ(Text(pageKey_ + "\\InprocServer32", ""), page);
    EXPECT_FALSE(Exists(oem_, "ConfigCLSID"));
    host::SetFileExists(page, false);

    // Another maker's page stays.
    host::ResetRegistry();
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, oem_, "ConfigCLSID", REG_SZ, {'{', 'M', '}', 0});
    EXPECT_EQ(RunInstallCommand(false, "page", "C:\\wheel\\quorforce.dll"), S_OK);
    EXPECT_EQ(Text(oem_, "ConfigCLSID"), "{M}");
}

TEST(InstallCommand, NamesAModelThePageOrBoth) {
    const struct {
        const char* text;
        bool parses, hasDevice, page;
    } cases[] = {
        {"VID_046D&PID_C294", true, true, false},
        {"vid_046d&pid_c294", true, true, false},
        {"page", true, false, true},
        {"  VID_046D&PID_C294   page ", true, true, true},
        {"page VID_046D&PID_C294", true, true, true},
        {"", false, false, false},
        {"   ", false, false, false},
        {"page page", false, false, false},
        {"VID_046D", false, false, false},  // a vendor alone is no model to register
        {"VID_046D&PID_C294 VID_046D&PID_C295", false, false, false},
        {"VID_046D&PID_C29G", false, false, false},
        {"force", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        InstallCommand command;
        ASSERT_EQ(ParseInstallCommand(c.text, &command), c.parses);
        if (!c.parses) continue;
        EXPECT_EQ(command.hasDevice, c.hasDevice);
        EXPECT_EQ(command.page, c.page);
        if (c.hasDevice) {
            EXPECT_EQ(command.device.vendorId, 0x046D);
            EXPECT_EQ(command.device.productId, 0xC294);
        }
    }
    InstallCommand command;
    EXPECT_FALSE(ParseInstallCommand(nullptr, &command));
}

// The device maker's .reg template, with a wheel's ids put in, gives byte for byte the
// values the registration writes for that wheel, so the two cannot drift apart.
TEST_F(RegistrationRoundTrip, TheTemplateWritesWhatTheRegistrationWrites) {
    std::ifstream in(std::string(QF_SOURCE_DIR) + "/packaging/quorforce-device.reg");
    ASSERT_TRUE(in.good());
    ASSERT_EQ(RegisterDevice(0x046D, 0xC294), S_OK);
    const std::string machine = "HKEY_LOCAL_MACHINE\\";
    std::string section, line;
    int compared = 0, effects = 0;
    while (std::getline(in, line)) {
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"VVVV", "046D"},
                                       std::pair<std::string, std::string>{"PPPP", "C294"}}) {
            for (std::size_t at = line.find(from); at != std::string::npos; at = line.find(from))
                line.replace(at, from.size(), to);
        }
        if (line.rfind("[" + machine, 0) == 0) {
            section = line.substr(machine.size() + 1, line.size() - machine.size() - 2);
            continue;
        }
        const std::string oem = OemKeyOf(0x046D, 0xC294);
        const bool registered =
            section.rfind(oem + kForceFeedbackSubkey, 0) == 0 ||
            section == oem + kActuatorAxisSubkey ||
            (section == kProductKey && line.rfind("\"Accepted_Devices\"", 0) == 0);
        // The page is opt-in: the template must not take the applet's own pages away.
        EXPECT_NE(line.rfind("\"ConfigCLSID\"", 0), 0u) << section;
        const std::size_t equals = line.find('=');
        if (!registered || line.empty() || line[0] == ';' || equals == std::string::npos) continue;
        SCOPED_TRACE(section + " " + line);
        const std::string name = line[0] == '@' ? "" : line.substr(1, equals - 2);
        const std::string data = line.substr(equals + 1);
        std::vector<BYTE> bytes;
        if (data.rfind("hex:", 0) == 0) {
            for (std::size_t at = 4; at + 1 < data.size(); at += 3)
                bytes.push_back(static_cast<BYTE>(std::stoul(data.substr(at, 2), nullptr, 16)));
        } else {
            ASSERT_EQ(data.front(), '"');
            const std::string text = data.substr(1, data.size() - 2);
            bytes.assign(text.begin(), text.end());
            bytes.push_back(0);
        }
        EXPECT_EQ(Value(section, name), bytes);
        ++compared;
        effects += name == "Attributes" && section.find("\\Effects\\") != std::string::npos;
    }
    EXPECT_EQ(effects, static_cast<int>(kRegisteredEffectCount));
    EXPECT_EQ(compared, 2 + 2 * static_cast<int>(kRegisteredEffectCount) + 2 + 1);
}

// The template's tuning values are the catalogue's, each with its default (a wheel template
// says force feedback), so a value the driver reads is never missing from an installation.
TEST(TemplateTuning, HoldsEveryCatalogueValueWithItsDefault) {
    std::ifstream in(std::string(QF_SOURCE_DIR) + "/packaging/quorforce-device.reg");
    ASSERT_TRUE(in.good());
    std::map<std::string, DWORD> dwords;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("\"=dword:");
        if (line.rfind("\"", 0) == 0 && at != std::string::npos)
            dwords[line.substr(1, at - 1)] = std::stoul(line.substr(at + 8), nullptr, 16);
    }
    for (const SettingEntry& entry : kSettings) {
        SCOPED_TRACE(entry.name);
        ASSERT_EQ(dwords.count(entry.name), 1u);
        const bool wheel = std::string(entry.name) == "Shock_or_Force_Feedback";
        EXPECT_EQ(dwords[entry.name], wheel ? 1u : entry.fallback);
    }
}

}  // namespace
}  // namespace quorforce
