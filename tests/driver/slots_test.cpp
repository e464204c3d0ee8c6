// Slot bookkeeping: lowest-free allocation, full areas, start/stop with their recounts,
// DIES_SOLO, reset, counting, the neutral output, and ids that must never index the table.
#include <gtest/gtest.h>

#include "driver/slots.h"
#include "tests/driver/test_table.h"

namespace quorforce {
namespace {

using test::TestTable;

void Fill(TestTable& t, DWORD area, int count) {
    for (int i = 0; i < count; ++i) {
        DWORD handle = 0;
        ASSERT_EQ(AllocateSlot(t.process, area, &handle), S_OK);
    }
}

TEST(SlotAllocation, FillsSlotsInOrderAndRefusesTheSixtyFifth) {
    TestTable t;
    for (DWORD expected = 1; expected <= 64; ++expected) {
        DWORD handle = 99;
        ASSERT_EQ(AllocateSlot(t.process, 2, &handle), S_OK);
        EXPECT_EQ(handle, expected);
    }
    DWORD handle = 99;
    EXPECT_EQ(AllocateSlot(t.process, 2, &handle), DIERR_DEVICEFULL);
    EXPECT_EQ(handle, 0u);
    // Other areas are not touched.
    EXPECT_EQ(t.area(1).slotUsed[0], 0);
    EXPECT_EQ(t.area(3).slotUsed[0], 0);
}

TEST(SlotAllocation, ReusesTheLowestFreedHandle) {
    TestTable t;
    Fill(t, 0, 64);
    ASSERT_EQ(FreeSlot(t.process, 0, 5), S_OK);
    ASSERT_EQ(FreeSlot(t.process, 0, 9), S_OK);
    DWORD handle = 0;
    ASSERT_EQ(AllocateSlot(t.process, 0, &handle), S_OK);
    EXPECT_EQ(handle, 5u);
    ASSERT_EQ(AllocateSlot(t.process, 0, &handle), S_OK);
    EXPECT_EQ(handle, 9u);
}

TEST(SlotAllocation, AllocationStopsAReusedSlotButKeepsItsBytes) {
    TestTable t;
    t.area(0).slotPlaying[0] = 1;  // stale state left by another process
    t.slot(0, 1).gain = 1234;
    DWORD handle = 0;
    ASSERT_EQ(AllocateSlot(t.process, 0, &handle), S_OK);
    EXPECT_EQ(t.area(0).slotPlaying[0], 0);
    EXPECT_EQ(t.slot(0, 1).gain, 1234u);
}

TEST(SlotAllocation, FreeingAFreeSlotIsRefusedAndChangesNothing) {
    TestTable t;
    Fill(t, 0, 3);
    ASSERT_EQ(FreeSlot(t.process, 0, 2), S_OK);
    auto before = t.Snapshot();
    EXPECT_EQ(FreeSlot(t.process, 0, 2), E_HANDLE);
    EXPECT_EQ(FreeSlot(t.process, 0, 40), E_HANDLE);
    EXPECT_TRUE(t.Unchanged(*before));
}

TEST(SlotPlaying, StartingTwiceCountsOnceAndRestartsFromTheBeginning) {
    TestTable t;
    Fill(t, 0, 2);
    ASSERT_EQ(StartSlot(t.process, 0, 1, 0, 1), S_OK);
    t.slot(0, 1).startTime = 5000;  // stamped by the engine
    ASSERT_EQ(StartSlot(t.process, 0, 1, 0, 1), S_OK);
    EXPECT_EQ(t.process.playingCount[0], 1);
    EXPECT_EQ(t.slot(0, 1).startTime, 0u);
    ASSERT_EQ(StartSlot(t.process, 0, 2, 0, 1), S_OK);
    EXPECT_EQ(t.process.playingCount[0], 2);
}

TEST(SlotPlaying, SoloStopsTheOthersOfItsAreaOnly) {
    TestTable t;
    Fill(t, 0, 3);
    Fill(t, 1, 1);
    ASSERT_EQ(StartSlot(t.process, 0, 1, 0, 1), S_OK);
    ASSERT_EQ(StartSlot(t.process, 0, 2, 0, 1), S_OK);
    ASSERT_EQ(StartSlot(t.process, 1, 1, 0, 1), S_OK);
    ASSERT_EQ(StartSlot(t.process, 0, 3, DIES_SOLO, 1), S_OK);
    EXPECT_EQ(t.area(0).slotPlaying[0], 0);
    EXPECT_EQ(t.area(0).slotPlaying[1], 0);
    EXPECT_EQ(t.area(0).slotPlaying[2], 1);
    EXPECT_EQ(t.process.playingCount[0], 1);
    EXPECT_EQ(t.area(1).slotPlaying[0], 1);
    EXPECT_EQ(t.process.playingCount[1], 1);
}

TEST(SlotPlaying, StoppingReportsIdleOnlyWhenNothingPlays) {
    TestTable t;
    Fill(t, 0, 3);
    ASSERT_EQ(StartSlot(t.process, 0, 1, 0, 1), S_OK);
    ASSERT_EQ(StartSlot(t.process, 0, 2, 0, 1), S_OK);
    bool idle = true;
    // A slot that was not playing: the count stays, not idle.
    ASSERT_EQ(StopSlot(t.process, 0, 3, &idle), S_OK);
    EXPECT_FALSE(idle);
    EXPECT_EQ(t.process.playingCount[0], 2);
    ASSERT_EQ(StopSlot(t.process, 0, 1, &idle), S_OK);
    EXPECT_FALSE(idle);
    t.slot(0, 2).startTime = 700;
    ASSERT_EQ(StopSlot(t.process, 0, 2, &idle), S_OK);
    EXPECT_TRUE(idle);
    EXPECT_EQ(t.process.playingCount[0], 0);
    EXPECT_EQ(t.slot(0, 2).startTime, 0u);
}

TEST(SlotPlaying, StopAllLeavesTheCountUntilTheNextRecount) {
    TestTable t;
    Fill(t, 0, 2);
    ASSERT_EQ(StartSlot(t.process, 0, 1, 0, 1), S_OK);
    ASSERT_EQ(StartSlot(t.process, 0, 2, 0, 1), S_OK);
    ASSERT_EQ(StopAllSlots(t.process, 0), S_OK);
    EXPECT_EQ(t.process.playingCount[0], 2);
    EXPECT_EQ(t.area(0).slotUsed[0], 1);
    bool idle = false;
    ASSERT_EQ(StopSlot(t.process, 0, 1, &idle), S_OK);
    EXPECT_TRUE(idle);
    EXPECT_EQ(t.process.playingCount[0], 0);
}

TEST(SlotPlaying, StatusFollowsThePlayingMark) {
    TestTable t;
    Fill(t, 0, 1);
    DWORD status = 99;
    ASSERT_EQ(GetSlotStatus(t.process, 0, 1, &status), S_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(StartSlot(t.process, 0, 1, 0, 1), S_OK);
    ASSERT_EQ(GetSlotStatus(t.process, 0, 1, &status), S_OK);
    EXPECT_EQ(status, DIEGES_PLAYING);
}

TEST(SlotPlaying, StartingAFreeSlotIsRefused) {
    TestTable t;
    auto before = t.Snapshot();
    EXPECT_EQ(StartSlot(t.process, 0, 7, 0, 1), E_HANDLE);
    EXPECT_TRUE(t.Unchanged(*before));
    EXPECT_EQ(t.process.playingCount[0], 0);
}

TEST(SlotArea, ResetFreesAndStopsEverythingAndCountReportsIt) {
    TestTable t;
    std::uint16_t total = 0, used = 99;
    ASSERT_EQ(CountSlots(t.process, 0, &total, &used), S_OK);
    EXPECT_EQ(total, 64);
    EXPECT_EQ(used, 0);
    Fill(t, 0, 10);
    ASSERT_EQ(StartSlot(t.process, 0, 4, 0, 1), S_OK);
    ASSERT_EQ(CountSlots(t.process, 0, &total, &used), S_OK);
    EXPECT_EQ(used, 10);
    ASSERT_EQ(ResetArea(t.process, 0), S_OK);
    ASSERT_EQ(CountSlots(t.process, 0, &total, &used), S_OK);
    EXPECT_EQ(used, 0);
    EXPECT_EQ(t.area(0).slotPlaying[3], 0);
}

TEST(NeutralOutput, DependsOnTheDeviceKindOfTheAreasJoystick) {
    TestTable t;
    t.process.placeOfArea[3] = 5;
    DeviceSettings& s = t.process.table->settings[5];
    s.shockOrForceFeedback = 0;
    EXPECT_EQ(NeutralOutputValue(t.process, 3), 0u);
    s.shockOrForceFeedback = 1;
    s.motorParameters = 0;
    EXPECT_EQ(NeutralOutputValue(t.process, 3), 0x8080u);
    s.motorParameters = 1;
    EXPECT_EQ(NeutralOutputValue(t.process, 3), 0x80u);
    // A map entry out of range reads no settings.
    t.process.placeOfArea[3] = 8;
    EXPECT_EQ(NeutralOutputValue(t.process, 3), 0u);
    EXPECT_EQ(NeutralOutputValue(t.process, 8), 0u);
}

// Every operation refuses ids outside the table before it indexes anything.
TEST(SlotBounds, OutOfRangeIdsNeverTouchTheTable) {
    TestTable t;
    Fill(t, 0, 64);
    auto before = t.Snapshot();
    const DWORD badHandles[] = {0, 65, 0x100, 0xFFFFFFFFu};
    const DWORD badAreas[] = {8, 0x80000000u, 0xFFFFFFFFu};
    for (DWORD handle : badHandles) {
        SCOPED_TRACE(handle);
        bool idle = true;
        DWORD status = 7;
        EXPECT_EQ(FreeSlot(t.process, 0, handle), E_HANDLE);
        EXPECT_EQ(StartSlot(t.process, 0, handle, DIES_SOLO, 1), E_HANDLE);
        EXPECT_EQ(StopSlot(t.process, 0, handle, &idle), E_HANDLE);
        EXPECT_FALSE(idle);
        EXPECT_EQ(GetSlotStatus(t.process, 0, handle, &status), E_HANDLE);
        EXPECT_EQ(status, 0u);
    }
    for (DWORD area : badAreas) {
        SCOPED_TRACE(area);
        DWORD handle = 0, status = 0;
        bool idle = false;
        std::uint16_t total = 0, used = 0;
        EXPECT_EQ(AllocateSlot(t.process, area, &handle), E_INVALIDARG);
        EXPECT_EQ(FreeSlot(t.process, area, 1), E_INVALIDARG);
        EXPECT_EQ(StartSlot(t.process, area, 1, 0, 1), E_INVALIDARG);
        EXPECT_EQ(StopSlot(t.process, area, 1, &idle), E_INVALIDARG);
        EXPECT_EQ(GetSlotStatus(t.process, area, 1, &status), E_INVALIDARG);
        EXPECT_EQ(ResetArea(t.process, area), E_INVALIDARG);
        EXPECT_EQ(StopAllSlots(t.process, area), E_INVALIDARG);
        EXPECT_EQ(CountSlots(t.process, area, &total, &used), E_INVALIDARG);
    }
    EXPECT_TRUE(t.Unchanged(*before));
}

}  // namespace
}  // namespace quorforce
