// The low-latency path in virtual time: with a wheel's "Low_Latency" switch a call that
// changes the force gets an extra pass at the call's clock, at most one a millisecond, the
// grid's ticks where they were; without it, the same calls leave the reports as they were.
// A recorded session with the switch replays byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/module_state.h"
#include "engine/engine_threads.h"
#include "hid/held_reports.h"
#include "tests/record/record_support.h"
#include "tools/quorsim/replay.h"

namespace quorforce::test {
namespace {

using Call = std::function<void(IDirectInputEffectDriver*, DWORD first, DWORD second)>;

struct Sent {
    DWORD time;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Sent& o) const { return time == o.time && bytes == o.bytes; }
};

std::vector<Sent> OutputsOf(const host::VirtualHid& wheel) {
    std::vector<Sent> sent;
    for (const host::RecordedReport& r : wheel.Reports())
        if (r.kind == host::RecordedReport::Output) sent.push_back({r.time, r.bytes});
    return sent;
}

// A wheel playing two constant forces (the switch as asked) ticks at 1000, 1016 and 1032;
// `call` comes 5 ms after that tick, then two more ticks. The output reports it received.
std::vector<Sent> RunAround(bool lowLatency, const Call& call) {
    RecordedRig r(false);
    if (lowLatency) WriteDeviceSwitch("Low_Latency", 1);
    IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
    const DWORD first = r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(2000));
    const DWORD second = r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(1000));
    r.rig.wheel->ClearReports();
    r.Steps(2);
    ForcePass(Module().process, timeGetTime());  // the tick at 1032, the clock standing
    host::AdvanceClock(5);
    call(wheel, first, second);
    host::AdvanceClock(11);
    r.Steps(2);
    return OutputsOf(*r.rig.wheel);
}

void Update(IDirectInputEffectDriver* wheel, DWORD handle, LONG magnitude, DWORD flags) {
    DirectInputEffect e = DirectInputEffect::Constant(magnitude);
    EXPECT_EQ(wheel->DownloadEffect(0, kEffectConstant, &handle, &e.effect, flags), S_OK);
}

TEST(LowLatency, ACallThatChangesTheForceGetsAnExtraPassAtItsClock) {
    const struct {
        const char* name;
        bool wakes;
        bool changesBytes;  // a command may change nothing of this mix and still wake it
        Call call;
    } cases[] = {
        {"an update of a playing effect", true, true,
         [](IDirectInputEffectDriver* w, DWORD first, DWORD) {
             Update(w, first, -3000, DIEP_TYPESPECIFICPARAMS);
         }},
        {"a stop", true, true,
         [](IDirectInputEffectDriver* w, DWORD first, DWORD) {
             EXPECT_EQ(w->StopEffect(0, first), S_OK);
         }},
        {"a start", true, true,
         [](IDirectInputEffectDriver* w, DWORD, DWORD) {
             DWORD handle = 0;
             DirectInputEffect e = DirectInputEffect::Constant(-5000);
             EXPECT_EQ(w->DownloadEffect(0, kEffectConstant, &handle, &e.effect, DIEP_ALLPARAMS),
                       S_OK);
             EXPECT_EQ(w->StartEffect(0, handle, 0, 1), S_OK);
         }},
        {"a destroy", true, true,
         [](IDirectInputEffectDriver* w, DWORD first, DWORD) {
             EXPECT_EQ(w->DestroyEffect(0, first), S_OK);
         }},
        {"a device command", true, false,
         [](IDirectInputEffectDriver* w, DWORD, DWORD) {
             EXPECT_EQ(w->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSOFF), S_OK);
         }},
        {"a download of an effect not playing", false, false,
         [](IDirectInputEffectDriver* w, DWORD, DWORD) {
             DWORD handle = 0;
             DirectInputEffect e = DirectInputEffect::Constant(5000);
             EXPECT_EQ(w->DownloadEffect(0, kEffectConstant, &handle, &e.effect, DIEP_ALLPARAMS),
                       S_OK);
         }},
        {"a status query", false, false,
         [](IDirectInputEffectDriver* w, DWORD first, DWORD) {
             DWORD status = 0;
             EXPECT_EQ(w->GetEffectStatus(0, first, &status), S_OK);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Sent> off = RunAround(false, c.call);
        const std::vector<Sent> on = RunAround(true, c.call);
        // Without the switch: only the grid's ticks (and what a call sends itself).
        std::vector<DWORD> offTimes;
        for (const Sent& s : off)
            offTimes.push_back(s.time);
        EXPECT_EQ(offTimes, (std::vector<DWORD>{1000, 1016, 1032, 1048, 1064}));
        // With it: the same reports, and one more at the call's clock for a call that wakes.
        // (The two starts at 1000 were one request too many for that millisecond: the second
        // has its pass at 1001.)
        std::vector<Sent> grid;
        std::vector<Sent> extra;
        for (const Sent& s : on)
            if ((s.time - 1000) % 16 == 0)
                grid.push_back(s);
            else if (s.time > 1032)
                extra.push_back(s);
        ASSERT_GE(on.size(), 2u);
        EXPECT_EQ(on[1].time, 1001u);
        EXPECT_EQ(grid, off);
        ASSERT_EQ(extra.size(), c.wakes ? 1u : 0u);
        if (!c.wakes) continue;
        EXPECT_GE(extra[0].time, 1037u);
        EXPECT_LE(extra[0].time, 1038u);
        // The extra pass carries what the next tick carries: the change, early.
        EXPECT_EQ(extra[0].bytes, off[3].bytes);
        if (c.changesBytes) {
            EXPECT_NE(extra[0].bytes, off[2].bytes);
        }
    }
}

TEST(LowLatency, AtMostOneExtraPassAMillisecondAndTheGridStays) {
    RecordedRig r(false);
    WriteDeviceSwitch("Low_Latency", 1);
    IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
    const DWORD handle = r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(2000));
    r.rig.wheel->ClearReports();
    r.Steps(2);
    host::AdvanceClock(3);  // 1035
    Update(wheel, handle, 3000, DIEP_TYPESPECIFICPARAMS);
    Update(wheel, handle, 4000, DIEP_TYPESPECIFICPARAMS);  // held for the next millisecond
    Update(wheel, handle, 5000, DIEP_TYPESPECIFICPARAMS);  // the same request
    host::AdvanceClock(13);                                // 1048: the grid's point
    r.rig.ForceStep();  // the tick at 1048, the held pass a millisecond later
    r.Steps(1);
    std::vector<DWORD> times;
    for (const Sent& s : OutputsOf(*r.rig.wheel))
        times.push_back(s.time);
    EXPECT_EQ(times, (std::vector<DWORD>{1000, 1016, 1035, 1048, 1049, 1064}));
}

// The threads' way, step by step: the call's pass starts its report's write itself; behind a
// write still in flight the report is held, and the force thread writes it unless a newer
// report for the device went first (a tick) or the device was rebound meanwhile. A second
// pass in the same millisecond, or any while recording, is left to the force thread.
TEST(LowLatency, TheCallWritesItsReportOrHoldsItBehindTheWriteInFlight) {
    using Between = std::function<void(RecordedRig&, IDirectInputEffectDriver*)>;
    const Between release = [](RecordedRig& r, IDirectInputEffectDriver*) {
        r.rig.wheel->HoldWrites(false);
        r.rig.wheel->ReleaseHeldWrites();
    };
    const struct {
        const char* name;
        Between between;
        std::size_t reports;  // after the first pass: its own, then the held one or the tick's
    } cases[] = {
        {"nothing", release, 2},
        {"a tick",
         [&release](RecordedRig& r, IDirectInputEffectDriver* w) {
             release(r, w);
             r.rig.ForceStep();
         },
         2},
        {"a rebind",
         [&release](RecordedRig& r, IDirectInputEffectDriver* w) {
             EXPECT_EQ(w->DeviceID(0x0800, 0, TRUE, 0, nullptr), S_OK);
             EXPECT_FALSE(ReportHeld(Module().process, 0));  // dropped before the close
             release(r, w);
         },
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedRig r(false);
        WriteDeviceSwitch("Low_Latency", 1);
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        const DWORD handle = r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(2000));
        host::AdvanceClock(35);                                // 1035
        Update(wheel, handle, 3000, DIEP_TYPESPECIFICPARAMS);  // its pass goes out at once
        const std::vector<Sent> before = OutputsOf(*r.rig.wheel);
        ASSERT_FALSE(before.empty());
        ProcessState& process = Module().process;
        ForceWake& wake = Module().engine.wake;
        EXPECT_FALSE(MixHeldPass(wake, process, 0, timeGetTime()));  // this millisecond's
        r.rig.wheel->HoldWrites(true);
        for (DWORD pass = 0; pass < 2; ++pass) {
            host::AdvanceClock(1);
            ASSERT_TRUE(MixHeldPass(wake, process, 0, timeGetTime()));
            // The first pass's write is in flight; the second's report waits behind it.
            EXPECT_EQ(r.rig.wheel->PendingCount(), 1u);
            EXPECT_EQ(ReportHeld(process, 0), pass == 1);
        }
        EXPECT_EQ(OutputsOf(*r.rig.wheel).size(), before.size());
        c.between(r, wheel);
        SendHeldReports(process);
        const std::vector<Sent> after = OutputsOf(*r.rig.wheel);
        ASSERT_EQ(after.size() - before.size(), c.reports);
        for (std::size_t i = before.size(); i < after.size(); ++i)
            EXPECT_EQ(after[i].bytes, before.back().bytes);  // the same force as the call's pass
    }
}

TEST(LowLatency, WhileRecordingTheForceThreadMixesThePass) {
    LocalAppData folder;
    RecordedRig r;
    WriteDeviceSwitch("Low_Latency", 1);
    IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
    r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(2000));
    host::AdvanceClock(5);
    EXPECT_FALSE(MixHeldPass(Module().engine.wake, Module().process, 0, timeGetTime()));
}

TEST(LowLatency, ASessionWithTheSwitchReplaysByteForByte) {
    LocalAppData folder;
    {
        RecordedRig r;
        WriteDeviceSwitch("Low_Latency", 1);
        IDirectInputEffectDriver* wheel = r.AddWheel(0, 0);
        const DWORD handle = r.Play(wheel, kEffectConstant, DirectInputEffect::Constant(2000));
        for (int i = 0; i < 20; ++i) {
            r.Steps(1);
            host::AdvanceClock(static_cast<DWORD>(1 + i % 7));
            Update(wheel, handle, 500 * (i % 9) - 2000, DIEP_TYPESPECIFICPARAMS);
            host::AdvanceClock(static_cast<DWORD>(15 - i % 7));
        }
    }
    const std::vector<std::string> files = folder.Recordings();
    ASSERT_EQ(files.size(), 1u);
    const ReadRecordingResult read = ReadRecording(ReadText(files[0]));
    ASSERT_TRUE(read.ok) << read.error;
    const quorsim::ReplayOutcome outcome = quorsim::Replay(read);
    EXPECT_TRUE(outcome.ok) << outcome.failure;
    EXPECT_EQ(outcome.identical, outcome.compared);
    EXPECT_GE(outcome.compared, 40u);  // the grid's ticks and the extra passes
}

}  // namespace
}  // namespace quorforce::test
