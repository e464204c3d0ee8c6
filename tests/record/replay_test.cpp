// Replay identity: sessions recorded on the host rig (every effect kind, two devices, a
// panel's change of the settings mid-run, effects stopped, updated and started again) replay
// through the driver's own code to the same reports, byte for byte; a changed byte is found
// and named; and the doctor's findings on sessions made to show each.
#include <gtest/gtest.h>

#include "driver/module_state.h"
#include "tests/record/record_support.h"
#include "tools/quorsim/doctor.h"
#include "tools/quorsim/replay.h"

namespace quorforce::test {
namespace {

DirectInputEffect Condition(LONG coefficient) {
    DirectInputEffect e;
    e.Use(EffectKind::Condition);
    e.conditions[0] = {0, coefficient, coefficient, 10000, 10000, 0};
    return e;
}

DirectInputEffect Periodic(LONG magnitude) {
    DirectInputEffect e;
    e.periodic = {static_cast<DWORD>(magnitude), 0, 0, 100000};
    e.Use(EffectKind::Periodic);
    return e.WithEnvelope();
}

// Runs `session` recorded and returns the recording read back.
template <typename Session>
ReadRecordingResult RecordSession(Session session) {
    LocalAppData folder;
    {
        RecordedRig r;
        session(r);
    }
    const std::vector<std::string> files = folder.Recordings();
    if (files.size() != 1) return ReadRecordingResult();
    return ReadRecording(ReadText(files[0]));
}

void ExpectIdentical(const ReadRecordingResult& read, std::uint64_t atLeast) {
    ASSERT_TRUE(read.ok) << read.error;
    const quorsim::ReplayOutcome outcome = quorsim::Replay(read);
    EXPECT_TRUE(outcome.ok) << outcome.failure;
    EXPECT_EQ(outcome.identical, outcome.compared);
    EXPECT_GE(outcome.compared, atLeast);
    EXPECT_EQ(outcome.stoppedAtLine, 0);
}

// A wheel turned back and forth, so that the conditions have motion to work on.
void Turn(RecordedRig& r, DWORD area, std::size_t wheel, int steps) {
    for (int i = 0; i < steps; ++i) {
        r.rig.QueueSteering(area, wheel, 512 + ((i % 20) < 10 ? i % 10 : 10 - i % 10) * 25);
        r.rig.Step();
    }
}

TEST(Replay, EveryEffectKindReplaysByteForByte) {
    const ReadRecordingResult read = RecordSession([](RecordedRig& r) {
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        DirectInputEffect ramp;
        ramp.ramp = {-6000, 6000};
        ramp.Use(EffectKind::Ramp);
        ramp.effect.dwDuration = 500000;
        r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(-3000));
        r.Play(wheel, kEffectRamp, ramp);
        for (DWORD id :
             {kEffectSquare, kEffectTriangle, kEffectSawtoothUp, kEffectSawtoothDown, kEffectSine})
            r.Play(wheel, id, Periodic(1500));
        for (DWORD id : {kEffectSpring, kEffectDamper, kEffectInertia, kEffectFriction})
            r.Play(wheel, id, Condition(4000));
        Turn(r, 0, 0, 60);
    });
    ExpectIdentical(read, 60);
}

TEST(Replay, TwoDevicesASettingsChangeAndRestartedEffects) {
    const ReadRecordingResult read = RecordSession([](RecordedRig& r) {
        IDirectInputEffectDriver* first = r.AddWheel(0, 0);
        IDirectInputEffectDriver* second = r.AddWheel(1, 1);
        DirectInputEffect constant = DirectInputEffect::Constant(5000);
        const DWORD a = r.Play(first, kEffectConstant, constant);
        const DWORD b = r.Play(second, kEffectSpring, Condition(6000));
        Turn(r, 1, 1, 20);
        // The panel's slider, straight into the shared table as another process writes it.
        Module().process.table->settings[0].globalValue = 40;
        Turn(r, 1, 1, 10);
        first->StopEffect(0, a);
        r.Steps(3);
        constant.constant.lMagnitude = -7000;
        DWORD handle = a;
        EXPECT_EQ(first->DownloadEffect(0, kEffectConstant, &handle, &constant.effect,
                                        DIEP_TYPESPECIFICPARAMS),
                  S_OK);
        first->StartEffect(0, a, 0, 1);
        second->StopEffect(0, b);
        second->StartEffect(0, b, 0, 1);
        Turn(r, 1, 1, 10);
        first->SendForceFeedbackCommand(0, DISFFC_STOPALL);
        r.Steps(2);
    });
    ExpectIdentical(read, 50);
    bool sawSettingsChange = false;
    for (const RecordedEvent& e : read.events)
        sawSettingsChange |= e.kind == "settings" && e.Number("global") == 40;
    EXPECT_TRUE(sawSettingsChange);
}

// A game's profile (its strengths, kinds' gains, device gain, pause, inversion, minimum and
// auto-centre) is in the recording's switches: the replay puts it back and stays identical.
TEST(Replay, AGameProfileReplaysByteForByte) {
    const ReadRecordingResult read = RecordSession([](RecordedRig& r) {
        for (const auto& [name, value] :
             std::vector<std::pair<const char*, DWORD>>{{"Global_Value", 80},
                                                        {"Spring_Gain", 150},
                                                        {"Game_Gain", 1},
                                                        {"Game_Pause", 1},
                                                        {"Invert_Force", 1},
                                                        {"Minimum_Force", 5},
                                                        {"Auto_Centre", 30}}) {
            ASSERT_TRUE(harness::VirtualRig::WriteGameSwitch(name, value, 0x5A1C, 0xE410, nullptr));
        }
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        Turn(r, 0, 0, 20);  // the auto-centre alone
        wheel->SetGain(0, 6000);
        r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(3000));
        Turn(r, 0, 0, 10);
        wheel->SendForceFeedbackCommand(0, DISFFC_PAUSE);
        Turn(r, 0, 0, 5);
        wheel->SendForceFeedbackCommand(0, DISFFC_CONTINUE);
        r.Play(wheel, kEffectSpring, Condition(5000));
        Turn(r, 0, 0, 30);
    });
    ExpectIdentical(read, 60);
    bool sawProfile = false;
    for (const RecordedEvent& e : read.events)
        sawProfile |=
            e.kind == "switches" && e.Number("Invert_Force") == 1 && e.Number("Global_Value") == 80;
    EXPECT_TRUE(sawProfile);
}

// A vibration pad of another report layout (report 2: an 8-bit X and eight buttons in, one
// output byte): the replay makes a device to the recorded layout.
TEST(Replay, ADeviceOfAnotherLayoutReplaysOnOneMadeToIt) {
    const ReadRecordingResult read = RecordSession([](RecordedRig& r) {
        host::VirtualHidConfig pad = host::BuiltInWheel();
        pad.productId = 0xE411;
        pad.descriptor = {0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x85, 0x02, 0x09, 0x30, 0x15,
                          0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x05,
                          0x09, 0x19, 0x01, 0x29, 0x08, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
                          0x95, 0x08, 0x81, 0x02, 0x05, 0x01, 0x09, 0xBB, 0x15, 0x00, 0x26,
                          0xFF, 0x00, 0x75, 0x08, 0x95, 0x01, 0x91, 0x02, 0xC0};
        WriteDeviceSwitch("Record", 1, 0x5A1C, 0xE411);
        harness::VirtualRig::WriteSetting("Report_Format", 2, 0x5A1C, 0xE411, 0);
        IDirectInputEffectDriver* driver = r.AddDevice(pad, 0, 0);
        r.Play(driver, kEffectSine, Periodic(6000));
        r.Steps(20);
    });
    ExpectIdentical(read, 20);
}

TEST(Replay, AChangedByteIsFoundAndNamed) {
    ReadRecordingResult read = RecordSession([](RecordedRig& r) {
        r.Play(r.AddWheel(0, 0), kEffectConstant, DirectInputEffect::Constant(5000));
        r.Steps(5);
    });
    ASSERT_TRUE(read.ok);
    int changed = 0;
    for (RecordedEvent& e : read.events) {
        if (e.kind != "report" || ++changed != 3) continue;
        for (RecordedField& f : e.fields)
            if (f.key == "bytes") f.value[3] = f.value[3] == '0' ? '1' : '0';
        changed = e.line;
        break;
    }
    const quorsim::ReplayOutcome outcome = quorsim::Replay(read);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.failure.find("line " + std::to_string(changed) + " (report"),
              std::string::npos)
        << outcome.failure;
}

TEST(Replay, ARecordingWithDropsReplaysUpToTheFirst) {
    LocalAppData folder;
    RecorderOptions tiny;
    tiny.queueLines = 8;
    tiny.flushEveryMs = 100;
    {
        RecordedRig r(true, tiny);
        r.Play(r.AddWheel(0, 0), kEffectConstant, DirectInputEffect::Constant(5000));
        r.Steps(40);  // faster than the writer wakes: the buffer overflows
        Sleep(300);   // the writer empties it; the next line carries the count
        r.Steps(5);
    }
    const ReadRecordingResult read = ReadRecording(ReadText(folder.Recordings().at(0)));
    ASSERT_TRUE(read.ok) << read.error;
    const quorsim::ReplayOutcome outcome = quorsim::Replay(read);
    EXPECT_TRUE(outcome.ok) << outcome.failure;
    EXPECT_GT(outcome.stoppedAtLine, 0);
}

std::string Doctor(const ReadRecordingResult& read) {
    EXPECT_TRUE(read.ok) << read.error;
    return quorsim::Diagnose(read);
}

TEST(Doctor, FindsAnInvertedConstantANeverStoppedEffectAndAClippingMix) {
    // The game pushes the way the wheel turns, and never stops its force.
    const std::string inverted = Doctor(RecordSession([](RecordedRig& r) {
        r.Play(r.AddWheel(0, 0), kEffectConstant, DirectInputEffect::Constant(6000));
        for (int i = 0; i < 40; ++i) {
            r.rig.QueueSteering(0, 0, 700 - 8 * i);  // the way the force pushes
            r.rig.Step();
        }
    }));
    EXPECT_NE(inverted.find("try: scripts/run-with-wheel --set Invert_Force=1"), std::string::npos)
        << inverted;
    EXPECT_NE(inverted.find("lasts forever and was never stopped"), std::string::npos);
    EXPECT_EQ(inverted.find("clips"), std::string::npos);

    // Three full constants: the sum passes full force; the game then stops them.
    const std::string clipping = Doctor(RecordSession([](RecordedRig& r) {
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        DWORD handles[3];
        for (DWORD& h : handles)
            h = r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(10000));
        r.Steps(20);
        for (DWORD h : handles)
            wheel->StopEffect(0, h);
    }));
    EXPECT_NE(clipping.find("it clips"), std::string::npos) << clipping;
    EXPECT_NE(clipping.find("--set Global_Value=70"), std::string::npos);
    EXPECT_EQ(clipping.find("never stopped"), std::string::npos);
    EXPECT_EQ(clipping.find("Invert_Force"), std::string::npos);
}

}  // namespace
}  // namespace quorforce::test
