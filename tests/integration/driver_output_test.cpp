// What the wheel receives, in virtual time, through the module's real entry points:
// stamping, start delay, duration, mixing, globalValue, device modes, report formats, the
// gain override and the neutral reports of the commands.
#include "tests/hid/hid_test_support.h"
#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::Bytes;
using test::Effect;
using test::ModuleTest;

// Output reports of the built-in wheel: report id 1, then the value's low and high byte
// (format 1: second channel byte, then first).
const Bytes kRestForce = {0x01, 0x80, 0x80};        // force-feedback zero force in both bytes
const Bytes kNeutralOneValue = {0x01, 0x80, 0x00};  // 0x80: one-value force device at rest
const Bytes kNeutralVibration = {0x01, 0x00, 0x00};

class DriverOutput : public ModuleTest {};

TEST_F(DriverOutput, NothingIsSentWhileNothingPlays) {
    UseOneChannelForceWheel();
    Bind();
    Run(10);
    Download(Effect::Constant(5000), 0);  // downloaded, not started
    Run(10);
    EXPECT_TRUE(Reports().empty());
}

TEST_F(DriverOutput, EffectIsStampedAtItsFirstTick) {
    UseOneChannelForceWheel();
    Bind();
    Run(3);
    const DWORD handle = Download(Effect::Constant(5000));
    EXPECT_EQ(Table().areas[0].slots[handle - 1].startTime, 0u);
    Run(1);
    EXPECT_EQ(Table().areas[0].slots[handle - 1].startTime, kStartClock + 3 * 16);
    // 2 × 5000 on the one channel: 128 + 10000 × 255 / 40000 = 191.
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 0xBF, 0x80}}));
}

TEST_F(DriverOutput, StartDelayHoldsTheForceBack) {
    UseOneChannelForceWheel();
    Bind();
    Effect e = Effect::Constant(5000);
    e.effect.dwStartDelay = 500000;
    Download(e, DIEP_START | DIEP_STARTDELAY);
    Run(34);
    const std::vector<Bytes> reports = Reports();
    ASSERT_EQ(reports.size(), 34u);
    EXPECT_EQ(reports[31], kRestForce);                 // 496 ms after the stamp
    EXPECT_EQ(reports[32], (Bytes{0x01, 0xBF, 0x80}));  // 512 ms: t = 12
}

TEST_F(DriverOutput, DurationEndsTheForceNotTheReports) {
    UseOneChannelForceWheel();
    Bind();
    Effect e = Effect::Constant(5000);
    e.effect.dwDuration = 1000000;
    const DWORD handle = Download(e);
    Run(66);
    std::vector<Bytes> reports = Reports();
    ASSERT_EQ(reports.size(), 66u);
    EXPECT_EQ(reports[62], (Bytes{0x01, 0xBF, 0x80}));  // t = 992
    EXPECT_EQ(reports[63], kRestForce);                 // t = 1008: over, still playing
    EXPECT_EQ(reports[65], kRestForce);
    DWORD status = 0;
    EXPECT_EQ(driver->GetEffectStatus(0, handle, &status), S_OK);
    EXPECT_EQ(status, DIEGES_PLAYING);
    ClearReports();
    EXPECT_EQ(driver->StopEffect(0, handle), S_OK);
    Run(5);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{kNeutralOneValue}));
}

TEST_F(DriverOutput, ForcesMixOnTheChannel) {
    UseOneChannelForceWheel();
    Bind();
    Download(Effect::Constant(2500));   // +5000
    Download(Effect::Constant(-1500));  // -3000
    Run(1);
    // 2000: 128 + ((2000 × 255 / 20000) >> 1) = 140.
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 140, 0x80}}));
}

TEST_F(DriverOutput, GlobalValueScalesTheSum) {
    UseOneChannelForceWheel();
    SetJoystickValue("Global_Value", 50);
    Bind();
    Download(Effect::Constant(10000));  // 20000, halved to 10000
    Run(1);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 191, 0x80}}));
}

TEST_F(DriverOutput, GlobalValueAbove100SaturatesInsteadOfWrapping) {
    UseOneChannelForceWheel();
    SetJoystickValue("Global_Value", 300);
    Bind();
    Download(Effect::Constant(-10000));
    Run(1);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 0x00, 0x80}}));  // full force, not wrapped
}

TEST_F(DriverOutput, ShockModeSendsIntensities) {
    SetDeviceValue("Motor_Parameters", 1);  // a vibration pad with one motor
    Bind();
    Download(Effect::Constant(-5000));  // strength 10000: (10000 × 255) / 20000 = 127
    Run(1);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 127, 0x00}}));
}

TEST_F(DriverOutput, ReportFormatTwoSendsTheHighNibbles) {
    UseOneChannelForceWheel();
    SetDeviceValue("Report_Format", 2);
    Bind();
    Download(Effect::Constant(5000));  // bytes 0x80 and 0xBF
    Run(1);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 0x8B, 0x00}}));
}

TEST_F(DriverOutput, OtherReportFormatsSendNothing) {
    UseOneChannelForceWheel();
    SetDeviceValue("Report_Format", 3);
    Bind();
    Download(Effect::Constant(5000));
    Run(3);
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(Module().process.deviceLinks[0].lastSecond, 0xBF);
}

TEST_F(DriverOutput, GainOverrideReplacesTheSlotGain) {
    UseOneChannelForceWheel();
    Bind();
    const DWORD handle = Download(Effect::Constant(5000));
    Table().settings[0].gainOverride[handle - 1] = 5000;
    Table().gainOverrideActive[0] = 1;
    Run(1);
    EXPECT_EQ(Table().areas[0].slots[handle - 1].gain, 5000u);  // changed in the table
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 159, 0x80}}));
    Table().gainOverrideActive[0] = 0;
    Run(1);
    EXPECT_EQ(Table().areas[0].slots[handle - 1].gain, 5000u);  // and it stays changed
}

TEST_F(DriverOutput, LastStopSendsTheNeutralValueOfTheDeviceKind) {
    struct Kind {
        const char* what;
        DWORD shockOrForce;
        DWORD motorParameters;
        Bytes neutral;
    };
    const Kind kinds[] = {
        {"vibration", 0, 0, kNeutralVibration},
        {"two-half force", 1, 0, kRestForce},
        {"one-value force", 1, 1, kNeutralOneValue},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.what);
        TearDown();
        SetUp();
        SetDeviceValue("Shock_or_Force_Feedback", kind.shockOrForce);
        SetDeviceValue("Motor_Parameters", kind.motorParameters);
        Bind();
        const DWORD first = Download(Effect::Constant(3000));
        const DWORD second = Download(Effect::Constant(3000));
        Run(1);
        ClearReports();
        EXPECT_EQ(driver->StopEffect(0, first), S_OK);  // another still plays: nothing
        EXPECT_TRUE(Reports().empty());
        EXPECT_EQ(driver->StopEffect(0, second), S_OK);
        EXPECT_EQ(Reports(), (std::vector<Bytes>{kind.neutral}));
        Run(3);
        EXPECT_EQ(Reports().size(), 1u);
    }
}

TEST_F(DriverOutput, DestroyOfTheLastEffectSendsOneNeutralReport) {
    UseOneChannelForceWheel();
    Bind();
    const DWORD handle = Download(Effect::Constant(5000));
    Run(1);
    ClearReports();
    EXPECT_EQ(driver->DestroyEffect(0, handle), S_OK);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{kNeutralOneValue}));
    EXPECT_EQ(driver->DestroyEffect(0, handle), E_HANDLE);
    EXPECT_EQ(Reports().size(), 1u);
}

TEST_F(DriverOutput, StopAllSendsNothingAndResetSendsOneNeutral) {
    UseOneChannelForceWheel();
    Bind();
    Download(Effect::Constant(5000));
    Run(1);
    ClearReports();
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_STOPALL), S_OK);
    EXPECT_TRUE(Reports().empty());
    DIDEVICESTATE state = {sizeof state, 0, 0};
    EXPECT_EQ(driver->GetForceFeedbackState(0, &state), S_OK);
    EXPECT_EQ(state.dwState, DIGFFS_ACTUATORSON | DIGFFS_STOPPED);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{kNeutralOneValue}));
    EXPECT_EQ(driver->GetForceFeedbackState(0, &state), S_OK);
    EXPECT_EQ(state.dwState, DIGFFS_EMPTY | DIGFFS_ACTUATORSON);
}

TEST_F(DriverOutput, PauseChangesTheStateNotTheForces) {
    UseOneChannelForceWheel();
    Bind();
    Download(Effect::Constant(5000));
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_PAUSE), S_OK);
    Run(1);
    DIDEVICESTATE state = {sizeof state, 0, 0};
    EXPECT_EQ(driver->GetForceFeedbackState(0, &state), S_OK);
    EXPECT_EQ(state.dwState, DIGFFS_ACTUATORSON | DIGFFS_PAUSED);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_CONTINUE), S_OK);
    Run(1);
    EXPECT_EQ(driver->GetForceFeedbackState(0, &state), S_OK);
    EXPECT_EQ(state.dwState, DIGFFS_ACTUATORSON);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 0xBF, 0x80}, {0x01, 0xBF, 0x80}}));
}

TEST_F(DriverOutput, SpringPullsTheWheelBackFromItsPosition) {
    UseOneChannelForceWheel();
    Bind();
    Effect e;
    e.conditions[0] = {0, 10000, 10000, 10000, 10000, 0};
    e.Use(EffectKind::Condition);
    Download(e, DIEP_START, 912);
    Module().process.motion[0].position = 100;  // as PollThread would have it
    Run(1);
    // x = 2000, F = 2000 × 40 / 10 = 8000, doubled 16000: 128 + ((16000 × 255 / 20000) >> 1).
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 230, 0x80}}));
}

}  // namespace
}  // namespace quorforce

namespace quorforce {
namespace {

// Two wheels of the same model bound to areas 0 and 1 by two driver objects.
class TwoWheels : public DriverOutput {
protected:
    void SetUp() override {
        DriverOutput::SetUp();
        host::VirtualHidConfig c = host::BuiltInWheel();
        c.path = host::HidDevicePath(0x5A1C, 0xE410, "0001");
        second = host::PlugVirtualHid(c);
        const GUID instance = {0xB0000009, 1, 2, {1, 2, 3, 4, 5, 6, 7, 9}};
        host::SetDeviceParametersEntry(c.path, instance, 1);
        host::SetCalibrationEntry(0x5A1C, 0xE410, 1, instance, 1);
    }
    void TearDown() override {
        if (other != nullptr) other->Release();
        DriverOutput::TearDown();
    }
    void BindBoth() {
        Bind();
        ASSERT_EQ(factory->CreateInstance(nullptr, kEffectDriverInterfaceId,
                                          reinterpret_cast<void**>(&other)),
                  S_OK);
        ASSERT_EQ(other->DeviceID(0x0800, 1, TRUE, 1, nullptr), S_OK);
    }
    void Step() { rig.Step(buffer); }

    std::shared_ptr<host::VirtualHid> second;
    IDirectInputEffectDriver* other = nullptr;
    BYTE buffer[kPollBufferSize] = {};
};

// Each pass serves both: every link is read once per poll pass and written once per force
// pass.
TEST_F(TwoWheels, AreEachServedEveryPass) {
    BindBoth();
    Effect first = Effect::Constant(5000), next = Effect::Constant(5000);
    DWORD a = 0, b = 0;
    ASSERT_EQ(driver->DownloadEffect(0, 371, &a, &first.effect, DIEP_START), S_OK);
    ASSERT_EQ(other->DownloadEffect(0, 371, &b, &next.effect, DIEP_START), S_OK);
    wheel->QueueInput(test::Bytes{1, 0x2C, 0x01, 0, 0});
    second->QueueInput(test::Bytes{1, 0x2C, 0x01, 0, 0});
    for (int i = 0; i < 3; ++i)
        Step();
    EXPECT_EQ(wheel->OutputReports().size(), 3u);
    EXPECT_EQ(second->OutputReports().size(), 3u);
    EXPECT_EQ(wheel->QueuedInputCount(), 0u);
    EXPECT_EQ(second->QueuedInputCount(), 0u);
}

// Two wheels of one model share the device key's values; each joystick id keeps its own
// strengths. A second DeviceID on the same area rebinds it cleanly.
TEST_F(TwoWheels, ShareDeviceValuesKeepTheirStrengthsAndRebind) {
    SetDeviceValue("By10_Spring_Coef", 60);
    SetJoystickValue("Global_Value", 70);  // joystick 0 only
    BindBoth();
    EXPECT_EQ(Table().settings[0].by10SpringCoef, 60);
    EXPECT_EQ(Table().settings[1].by10SpringCoef, 60);
    EXPECT_EQ(Table().settings[0].globalValue, 70);
    EXPECT_EQ(Table().settings[1].globalValue, 100);
    const int handles = host::OpenDeviceHandleCount();
    ASSERT_EQ(other->DeviceID(0x0800, 1, FALSE, 1, nullptr), S_OK);
    EXPECT_EQ(host::OpenDeviceHandleCount(), handles);  // the old handle closed
    EXPECT_EQ(Module().process.deviceLinks[1].inUse, 1);
    EXPECT_EQ(Module().process.deviceLinks[0].inUse, 1);
}

// The spring of the first wheel pushes against the first wheel's position, whatever the
// second wheel does.
TEST_F(TwoWheels, EachSpringFollowsItsOwnWheel) {
    UseOneChannelForceWheel();
    BindBoth();
    Effect spring;
    spring.conditions[0] = {0, 10000, 10000, 10000, 10000, 0};
    spring.Use(EffectKind::Condition);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, 912, &handle, &spring.effect, DIEP_START), S_OK);
    wheel->QueueInput(test::WheelInput(700));
    Step();
    for (std::uint32_t x : {100u, 900u, 300u}) {
        second->QueueInput(test::WheelInput(x));
        Step();
        EXPECT_EQ(Module().process.motion[0].position, 700);
        EXPECT_EQ(Module().process.motion[1].position, static_cast<std::int32_t>(x));
    }
    const std::vector<Bytes> reports = wheel->OutputReports();
    ASSERT_EQ(reports.size(), 4u);
    for (const Bytes& r : reports)
        EXPECT_EQ(r, reports.front());
}

}  // namespace
}  // namespace quorforce
