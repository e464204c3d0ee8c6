// The recorder on the host rig: every kind of line in a session, the buffer that drops and
// counts instead of waiting, the file's cap, a folder that cannot be written, and nothing at
// all while the switch is off.
#include <gtest/gtest.h>

#include <set>

#include "include/quorforce.h"
#include "record/event_queue.h"
#include "tests/record/record_support.h"
#include "tools/quorsim/replay.h"

namespace quorforce::test {
namespace {

std::set<std::string> KindsOf(const ReadRecordingResult& r) {
    std::set<std::string> kinds;
    for (const RecordedEvent& e : r.events)
        kinds.insert(e.kind == "call" ? "call " + e.op : e.kind);
    return kinds;
}

TEST(Recorder, ASessionHoldsEveryKindOfLine) {
    LocalAppData folder;
    {
        RecordedRig r;
        harness::VirtualRig::WriteSetting("Drive_Default_Spring", 1, 0x5A1C, 0xE410, 0);
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        // A panel in the game's process switches the wheel's own spring: feature reports,
        // and a change of the shared settings the next tick finds.
        ForceSettings strengths = {};
        strengths.mask = QUORFORCE_MASK_SPRING | QUORFORCE_MASK_SPRING_ON;
        strengths.spring = 50;
        strengths.springOn = 1;
        DeviceConfig config = {};
        config.applyFlags = QUORFORCE_APPLY_FORCE_SETTINGS;
        config.forceSettings = &strengths;
        ZXSetDeviceConfig(0, &config);
        DirectInputEffect spring;
        spring.Use(EffectKind::Condition);
        spring.conditions[0].lPositiveCoefficient = 5000;
        spring.conditions[0].lNegativeCoefficient = 5000;
        spring.conditions[0].dwPositiveSaturation = 10000;
        spring.conditions[0].dwNegativeSaturation = 10000;
        const DWORD springHandle = r.Play(wheel, kEffectSpring, spring);
        const DWORD constant = r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(4000));
        for (int i = 0; i < 8; ++i) {
            r.rig.QueueSteering(0, 0, 400 + 10 * i);
            r.Steps(1);
        }
        DIDEVICESTATE state = {};
        state.dwSize = sizeof state;
        wheel->GetForceFeedbackState(0, &state);
        DWORD status = 0;
        wheel->GetEffectStatus(0, constant, &status);
        wheel->SetGain(0, 5000);
        wheel->Escape(0, constant, nullptr);
        DIDRIVERVERSIONS versions = {};
        versions.dwSize = sizeof versions;
        wheel->GetVersions(&versions);
        EXPECT_EQ(wheel->StartEffect(0, 99, 0, 1), E_HANDLE);  // a refused call
        wheel->StopEffect(0, springHandle);
        wheel->DestroyEffect(0, constant);
        wheel->SendForceFeedbackCommand(0, DISFFC_RESET);
        EXPECT_TRUE(Recording());
    }
    EXPECT_FALSE(Recording());
    const std::vector<std::string> files = folder.Recordings();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].find("Game.exe-"), std::string::npos) << files[0];
    const ReadRecordingResult read = ReadRecording(ReadText(files[0]));
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.session.size, sizeof(void*) * 8);
    EXPECT_EQ(read.session.pollingStep, 16u);
    const std::set<std::string> expected = {"device",       "values",        "switches",
                                            "settings",     "call DeviceID", "call Download",
                                            "tick",         "motion",        "report",
                                            "position",     "call GetState", "call Status",
                                            "call SetGain", "call Escape",   "call GetVersions",
                                            "call Start",   "call Stop",     "call Destroy",
                                            "call Command", "feature",       "end"};
    const std::set<std::string> kinds = KindsOf(read);
    for (const std::string& kind : expected)
        EXPECT_TRUE(kinds.count(kind)) << kind << " missing";
    EXPECT_EQ(read.events.back().Number("drops"), 0);
    // Every call of it, the refused one too, replays to the same result and reports; the
    // panel's feature reports are the replay's only ones left out.
    const quorsim::ReplayOutcome replay = quorsim::Replay(read);
    EXPECT_TRUE(replay.ok) << replay.failure;
    EXPECT_EQ(replay.identical, replay.compared);
    EXPECT_GT(replay.notReplayed, 0u);
}

TEST(Recorder, SwitchedOffItWritesNothing) {
    LocalAppData folder;
    {
        RecordedRig r(false);
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(4000));
        r.Steps(3);
        EXPECT_FALSE(Recording());
    }
    EXPECT_TRUE(folder.Recordings().empty());
}

TEST(Recorder, AFullBufferDropsAndCountsWithoutWaiting) {
    LocalAppData folder;
    RecorderOptions tiny;
    tiny.queueLines = 2;
    tiny.flushEveryMs = 2000;  // the writer sleeps: the game's lines pile up
    {
        RecordedRig r(true, tiny);
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(4000));
        r.Steps(50);
        EXPECT_GT(RecordingDrops(), 0u);
    }
    const ReadRecordingResult read = ReadRecording(ReadText(folder.Recordings().at(0)));
    ASSERT_TRUE(read.ok) << read.error;
    std::uint64_t dropped = 0;
    for (const RecordedEvent& e : read.events)
        if (e.kind == "drop") dropped += e.Dword("count");
    dropped += read.events.back().Dword("drops");  // those after the last line
    EXPECT_EQ(dropped, RecordingDrops());
}

TEST(Recorder, TheFileStopsAtItsCapWithANote) {
    LocalAppData folder;
    RecorderOptions capped;
    capped.fileCap = 4096;
    capped.flushEveryMs = 1;
    {
        RecordedRig r(true, capped);
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(4000));
        for (int i = 0; i < 400 && Recording(); ++i) {
            r.Steps(1);
            Sleep(1);
        }
        EXPECT_FALSE(Recording());  // off once the file is closed
    }
    const std::string text = ReadText(folder.Recordings().at(0));
    EXPECT_LE(text.size(), 4096u);
    EXPECT_NE(text.find(" note cap bytes=4096\n"), std::string::npos);
    EXPECT_TRUE(ReadRecording(text).ok);
}

TEST(Recorder, AFolderThatCannotBeMadeLeavesItOffWithATraceLine) {
    LocalAppData folder;
    const std::string file = folder.Folder() + "/a-file";
    std::ofstream(file) << "x";
    setenv("LOCALAPPDATA", file.c_str(), 1);  // no folder can be made inside a file
    {
        RecordedRig r;
        harness::VirtualRig::WriteSetting("Trace", 1, 0, 0, 0);
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(4000));
        r.Steps(2);
        EXPECT_FALSE(Recording());
        bool traced = false;
        for (const std::string& line : host::DebugOutput())
            traced |= line.find("recording: no folder") != std::string::npos;
        EXPECT_TRUE(traced);
    }
    setenv("LOCALAPPDATA", folder.Folder().c_str(), 1);
}

TEST(EventQueue, KeepsOrderAndCarriesTheDropsToTheNextLine) {
    EventQueue queue(2);
    EXPECT_TRUE(queue.Add("a", 1));
    EXPECT_TRUE(queue.Add("b", 1));
    EXPECT_FALSE(queue.Add("c", 1));
    EXPECT_FALSE(queue.Add("d", 1));
    char text[kLineSize];
    std::size_t length = 0;
    std::uint32_t drops = 0;
    ASSERT_TRUE(queue.Take(text, &length, &drops));
    EXPECT_EQ(std::string(text, length), "a");
    ASSERT_TRUE(queue.Take(text, &length, &drops));
    EXPECT_EQ(drops, 0u);
    EXPECT_TRUE(queue.Add("e", 1));
    ASSERT_TRUE(queue.Take(text, &length, &drops));
    EXPECT_EQ(std::string(text, length), "e");
    EXPECT_EQ(drops, 2u);
    EXPECT_FALSE(queue.Take(text, &length, &drops));
    EXPECT_EQ(queue.TotalDrops(), 2u);
}

}  // namespace
}  // namespace quorforce::test
