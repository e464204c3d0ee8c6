// The motion tracker (Motion_Estimate 1) on a wheel read every 16 ms: the velocity of a
// steady turn, from staircases of whole counts, a slow turn timed from its changes, a stop,
// a count back and forth, a change of speed, and what must restart it.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/motion_tracker.h"

namespace quorforce {
namespace {

constexpr std::uint32_t kStep = 16;
constexpr int kSettleReads = 16;

// A turn of `perRead` counts a read, read as the encoder gives it: whole counts.
struct Turn {
    MotionState m;
    double exact = 100.25;
    std::uint32_t now = 5000;
    void Read(double perRead) {
        exact += perRead;
        m.position = static_cast<std::int32_t>(std::floor(exact));
        now += kStep;
        TrackMotion(m, now);
    }
};

// One count a read is 32 / 16 = 2 in the velocity's units (units per ms × 32).
double CountsPerRead(const MotionState& m) { return m.smoothVelocity * kStep / 32.0; }

TEST(MotionTracker, SteadyTurnsGiveTheirSpeedWithinOneCountARead) {
    for (double perRead : {0.3, 0.5, -0.5, 1.0, 2.7, -7.0, 40.0}) {
        SCOPED_TRACE(perRead);
        Turn turn;
        TrackMotion(turn.m, turn.now);
        for (int i = 0; i < kSettleReads; ++i)
            turn.Read(perRead);
        // From then on every read's estimate stays within one count a read, and the mean
        // within a tenth of one.
        double sum = 0;
        for (int i = 0; i < 64; ++i) {
            turn.Read(perRead);
            EXPECT_NEAR(CountsPerRead(turn.m), perRead, 1.0);
            sum += CountsPerRead(turn.m);
        }
        EXPECT_NEAR(sum / 64, perRead, 0.1);
    }
}

// A slow turn moves 0 or 1 count a read; timed over its changes its speed is near exact on
// every read, not only on average: within a tenth of it, on an axis of one unit a count and
// on one that spreads a count over 64 units, read every 16 ms, at GetTickCount's grain (15
// or 16 ms), and every 4 ms.
TEST(MotionTracker, ASlowTurnIsTimedWithinATenthOfItsSpeedAtEveryRead) {
    const struct {
        double countsPerSecond;
        std::int32_t unit;
        std::uint32_t gaps[3];  // read intervals, in turn
    } rows[] = {
        {30.0, 1, {16, 16, 16}},  {-30.0, 1, {16, 16, 16}}, {18.0, 1, {16, 16, 16}},
        {45.0, 1, {16, 16, 16}},  {30.0, 64, {16, 16, 16}}, {30.0, 1, {15, 16, 16}},
        {-22.0, 1, {16, 15, 16}}, {30.0, 1, {4, 4, 4}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.countsPerSecond << " counts/s, unit " << row.unit
                                        << ", first gap " << row.gaps[0]);
        MotionState m;
        std::uint32_t now = 5000;
        double exact = 100.4;
        m.position = 100 * row.unit;
        TrackMotion(m, now);
        // Units per ms × 32, the velocity's own units.
        const double truth = row.countsPerSecond * row.unit * 32.0 / 1000.0;
        for (int i = 0; i < 400; ++i) {
            const std::uint32_t gap = row.gaps[i % 3];
            now += gap;
            exact += row.countsPerSecond * gap / 1000.0;
            m.position = static_cast<std::int32_t>(std::floor(exact)) * row.unit;
            TrackMotion(m, now);
            if (now - 5000 < 400) continue;  // a window's worth of changes first
            ASSERT_NEAR(m.smoothVelocity, truth, std::fabs(truth) * 0.1) << "read " << i;
        }
    }
}

TEST(MotionTracker, AStopIsExactRestWithinTheRestReads) {
    Turn turn;
    TrackMotion(turn.m, turn.now);
    for (int i = 0; i < kSettleReads; ++i)
        turn.Read(3.0);
    for (int i = 0; i < kRestReads; ++i)
        turn.Read(0.0);
    EXPECT_EQ(turn.m.smoothVelocity, 0.0f);
    EXPECT_EQ(turn.m.smoothAcceleration, 0.0f);
    turn.Read(0.0);
    EXPECT_EQ(turn.m.smoothVelocity, 0.0f);  // and it stays there
}

// After the last change the velocity can be no more than one count (the smallest change
// seen) over the time since: the estimate falls with it, never holds the turn's speed past
// its next count's time.
TEST(MotionTracker, AfterAStopTheVelocityIsAtMostOneCountOverTheTimeSince) {
    for (double perRead : {0.5, -0.5, 1.0, 3.0}) {
        SCOPED_TRACE(perRead);
        Turn turn;
        TrackMotion(turn.m, turn.now);
        for (int i = 0; i < kSettleReads; ++i)
            turn.Read(perRead > 0 ? 0.5 : -0.5);  // the wheel's single counts seen first
        for (int i = 0; i < kSettleReads; ++i)
            turn.Read(perRead);
        std::int32_t at = turn.m.position;
        while (turn.m.position == at)  // on to the next change of count
            turn.Read(perRead);
        at = turn.m.position;
        const std::uint32_t changed = turn.now;
        for (int i = 1; i < kRestReads; ++i) {
            turn.Read(0.0);
            ASSERT_EQ(turn.m.position, at);
            const double most = 32.0 / (turn.now - changed);
            EXPECT_LE(std::fabs(turn.m.smoothVelocity), most + 1e-6) << "read " << i;
        }
    }
}

// An encoder that trembles on the edge of a count reads back and forth every read, or now
// and then: no motion at all, on an axis of one unit a count and on one of 64.
TEST(MotionTracker, ACountBackAndForthIsNoMotion) {
    const struct {
        std::int32_t unit;
        int every;  // reads between two changes
    } rows[] = {{1, 1}, {1, 3}, {64, 1}, {64, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "unit " << row.unit << ", every " << row.every);
        MotionState m;
        std::uint32_t now = 1000;
        m.position = 300 * row.unit;
        TrackMotion(m, now);
        for (int i = 1; i <= 60; ++i) {
            if (i % row.every == 0) {
                m.position = (m.position == 300 * row.unit ? 301 : 300) * row.unit;
            }
            TrackMotion(m, now += kStep);
            // The first change from rest is a motion as far as anyone can tell; from the
            // change back on, nothing moves.
            if (i >= 2 * row.every) {
                ASSERT_EQ(m.smoothVelocity, 0.0f) << "read " << i;
            }
        }
    }
}

// A turn that speeds up is timed from where its speed changed, not across the change: the
// older, slower counts would hold the estimate at a fraction of the new speed.
TEST(MotionTracker, AChangeOfSpeedIsTimedFromTheChange) {
    for (double after : {1.0, 2.0, -1.5}) {
        SCOPED_TRACE(after);
        Turn turn;
        TrackMotion(turn.m, turn.now);
        const double before = after > 0 ? 0.25 : -0.25;
        for (int i = 0; i < 40; ++i)
            turn.Read(before);
        for (int i = 0; i < 4; ++i)
            turn.Read(after);
        // Within the window (192 ms, 12 reads) the slower counts would still be there.
        for (int i = 0; i < 8; ++i) {
            turn.Read(after);
            EXPECT_NEAR(CountsPerRead(turn.m), after, std::fabs(after) / 4) << "read " << i;
        }
    }
}

// What breaks the history starts the tracker again at rest from the position then.
TEST(MotionTracker, GapsJumpsAndTheFirstReadPrime) {
    const struct {
        const char* what;
        std::uint32_t gap;
        std::int32_t to;
    } rows[] = {
        {"a stall of more than 250 ms", 400, 130},
        {"a jump of more than 2^20 units", kStep, 1 << 22},
        {"a jump across the whole 32-bit axis", kStep, INT32_MIN},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Turn turn;
        TrackMotion(turn.m, turn.now);
        for (int i = 0; i < kSettleReads; ++i)
            turn.Read(2.0);
        turn.m.position = row.to;
        TrackMotion(turn.m, turn.now + row.gap);
        EXPECT_EQ(turn.m.smoothVelocity, 0.0f);
        EXPECT_EQ(turn.m.trackedPosition, row.to);
        EXPECT_EQ(turn.m.trackTick, turn.now + row.gap);
    }
    MotionState fresh;
    fresh.position = 77;
    TrackMotion(fresh, 123);
    EXPECT_EQ(fresh.tracking, 1);
    EXPECT_EQ(fresh.trackedPosition, 77);
}

TEST(MotionTracker, TwoReadsInOneTickChangeNothing) {
    Turn turn;
    TrackMotion(turn.m, turn.now);
    turn.Read(2.0);
    const MotionState before = turn.m;
    turn.m.position += 5;
    TrackMotion(turn.m, turn.now);
    EXPECT_EQ(turn.m.smoothVelocity, before.smoothVelocity);
    EXPECT_EQ(turn.m.trackedPosition, before.trackedPosition);
}

// The axis's extremes every read: the state stays finite and bounded.
TEST(MotionTracker, HostileAxisValuesStayBounded) {
    MotionState m;
    std::uint32_t now = 0;
    for (int i = 0; i < 200; ++i) {
        m.position = (i % 3 == 0) ? INT32_MAX : (i % 3 == 1 ? INT32_MIN : (1 << 20) - 1);
        TrackMotion(m, now += (i % 5 == 0 ? 0u : 1u));
        ASSERT_TRUE(std::isfinite(m.smoothVelocity));
        ASSERT_TRUE(std::isfinite(m.smoothAcceleration));
        ASSERT_LE(std::fabs(m.smoothVelocity), 16777216.0f);
    }
}

}  // namespace
}  // namespace quorforce
