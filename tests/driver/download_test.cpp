// Effect download: new effects and updates, each refusal with nothing left allocated, the
// stored layout, the default envelope, and records that must not be read past their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>

#include "driver/download.h"
#include "driver/slots.h"
#include "harness/effect_builder.h"
#include "state/effect_ids.h"
#include "tests/driver/test_table.h"

namespace quorforce {
namespace {

using test::TestTable;

constexpr DWORD kXAxis = harness::DirectInputEffect::kXAxis;
constexpr DWORD kYAxis = harness::DirectInputEffect::kYAxis;

// The download tests' effect: both axes, 5 s, every record filled with telling values.
struct EffectRecord : harness::DirectInputEffect {
    explicit EffectRecord(EffectKind kind, DWORD axisCount = 2) {
        directions[0] = 9000;
        envelope = {sizeof(DIENVELOPE), 2000, 100000, 3000, 200000};
        constant = {5000};
        ramp = {-4000, 6000};
        periodic = {8000, -500, 4500, 250000};
        conditions[0] = {10, 20, 30, 40, 50, 60};
        conditions[1] = {1, 2, 3, 4, 5, 6};
        effect.dwDuration = 5000000;
        effect.cAxes = axisCount;
        Use(kind);
    }
};

std::uint16_t UsedSlots(const TestTable& t, DWORD area = 0) {
    std::uint16_t total = 0, used = 0;
    CountSlots(t.process, area, &total, &used);
    return used;
}

TEST(DownloadNew, ConstantWithStartIsStoredAndPlaying) {
    TestTable t;
    EffectRecord r(EffectKind::Constant);
    r.effect.dwStartDelay = 250000;
    DWORD handle = 0;
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, &r.effect, DIEP_START), S_OK);
    EXPECT_EQ(handle, 1u);
    EXPECT_EQ(t.area(0).slotUsed[0], 1);
    EXPECT_EQ(t.area(0).slotPlaying[0], 1);
    EXPECT_EQ(t.process.playingCount[0], 1);
    const EffectSlot& s = t.slot(0, 1);
    EXPECT_EQ(s.startTime, 0u);
    EXPECT_EQ(s.effectTypeId, 371u);
    EXPECT_EQ(s.flags, DIEFF_OBJECTIDS | DIEFF_POLAR);  // the record's flags, not DIEP_
    EXPECT_EQ(s.duration, 5000000u);
    EXPECT_EQ(s.startDelay, 250000u);
    EXPECT_EQ(s.gain, 10000u);
    EXPECT_EQ(s.triggerButton, 0xFFFFFFFFu);
    EXPECT_EQ(s.axisCount, 2u);
    EXPECT_EQ(s.axes[0], kXAxis);
    EXPECT_EQ(s.axes[1], kYAxis);
    EXPECT_EQ(s.directions[0], 9000);
    EXPECT_EQ(s.constant.magnitude, 5000);
}

TEST(DownloadNew, EachKindKeepsItsOwnRecord) {
    TestTable t;
    EffectRecord ramp(EffectKind::Ramp), periodic(EffectKind::Periodic);
    EffectRecord condition(EffectKind::Condition);
    DWORD h1 = 0, h2 = 0, h3 = 0;
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectRamp, &h1, &ramp.effect, 0), S_OK);
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectTriangle, &h2, &periodic.effect, 0), S_OK);
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectDamper, &h3, &condition.effect, 0), S_OK);
    EXPECT_EQ(t.slot(0, h1).ramp.start, -4000);
    EXPECT_EQ(t.slot(0, h1).ramp.end, 6000);
    const SlotPeriodic& p = t.slot(0, h2).periodic;
    EXPECT_EQ(p.magnitude, 8000u);
    EXPECT_EQ(p.offset, -500);
    EXPECT_EQ(p.phase, 4500u);
    EXPECT_EQ(p.period, 250000u);
    // Two DICONDITION records: only the first is kept.
    const SlotCondition& c = t.slot(0, h3).condition;
    EXPECT_EQ(c.offset, 10);
    EXPECT_EQ(c.positiveCoefficient, 20);
    EXPECT_EQ(c.negativeCoefficient, 30);
    EXPECT_EQ(c.positiveSaturation, 40u);
    EXPECT_EQ(c.negativeSaturation, 50u);
    EXPECT_EQ(c.deadBand, 60);
    // A new effect is allocated stopped.
    EXPECT_EQ(t.area(0).slotPlaying[h1 - 1], 0);
}

TEST(DownloadNew, WithoutEnvelopeStoresFullLevelsAndKeepsTheSize) {
    TestTable t;
    t.slot(0, 1).envelope.size = 77;
    EffectRecord r(EffectKind::Constant);
    DWORD handle = 0;
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, &r.effect, 0), S_OK);
    const SlotEnvelope& e = t.slot(0, 1).envelope;
    EXPECT_EQ(e.size, 77u);
    EXPECT_EQ(e.attackLevel, 10000u);
    EXPECT_EQ(e.attackTime, 0u);
    EXPECT_EQ(e.fadeLevel, 10000u);
    EXPECT_EQ(e.fadeTime, 0u);
}

TEST(DownloadNew, EnvelopeIsCopiedWhole) {
    TestTable t;
    EffectRecord r(EffectKind::Periodic);
    r.effect.lpEnvelope = &r.envelope;
    DWORD handle = 0;
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect, 0), S_OK);
    const SlotEnvelope& e = t.slot(0, 1).envelope;
    EXPECT_EQ(e.size, sizeof(DIENVELOPE));
    EXPECT_EQ(e.attackLevel, 2000u);
    EXPECT_EQ(e.attackTime, 100000u);
    EXPECT_EQ(e.fadeLevel, 3000u);
    EXPECT_EQ(e.fadeTime, 200000u);
}

TEST(DownloadNew, AxesBeyondTheCountAreCleared) {
    TestTable t;
    t.slot(0, 1).axes[1] = 0xABCD;
    t.slot(0, 1).directions[3] = 4242;
    EffectRecord r(EffectKind::Constant, 1);
    DWORD handle = 0;
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, &r.effect, 0), S_OK);
    EXPECT_EQ(t.slot(0, 1).axisCount, 1u);
    EXPECT_EQ(t.slot(0, 1).axes[1], 0u);
    EXPECT_EQ(t.slot(0, 1).directions[3], 0);
}

TEST(DownloadNew, NoDownloadChecksOnly) {
    TestTable t;
    EffectRecord r(EffectKind::Constant);
    DWORD handle = 0;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, &r.effect,
                             DIEP_START | DIEP_NODOWNLOAD),
              S_OK);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(UsedSlots(t), 0);
}

TEST(DownloadNew, FullAreaKeepsTheHandleAtZero) {
    TestTable t;
    EffectRecord r(EffectKind::Constant);
    for (int i = 0; i < 64; ++i) {
        DWORD handle = 0;
        ASSERT_EQ(DownloadEffect(t.process, 1, kEffectConstant, &handle, &r.effect, 0), S_OK);
    }
    DWORD handle = 0;
    EXPECT_EQ(DownloadEffect(t.process, 1, kEffectConstant, &handle, &r.effect, 0),
              DIERR_DEVICEFULL);
    EXPECT_EQ(handle, 0u);
}

// A direction in cartesian coordinates is kept as the polar angle the engine reads, so that a
// game's effect acts the same whichever coordinates DirectInput hands over. Each row is
// downloaded cartesian (new, and as a direction update of a polar effect) and compared byte
// for byte with the slot that polar input of the expected angle leaves.
TEST(DownloadDirection, CartesianIsKeptAsThePolarAngle) {
    constexpr LONG kLongMin = std::numeric_limits<LONG>::min();
    constexpr LONG kLongMax = std::numeric_limits<LONG>::max();
    const struct {
        DWORD axes;
        LONG x, y, z;
        LONG angle;
    } rows[] = {
        {1, 1, 0, 0, 9000},  // one axis: the sign is the direction
        {1, -1, 0, 0, 27000},
        {1, 10000, 0, 0, 9000},
        {1, kLongMin, 0, 0, 27000},
        {1, 0, 0, 0, 9000},  // no direction: along the axis, the magnitude's sign decides
        {2, 0, -1, 0, 0},    // away from the user
        {2, 1, 0, 0, 9000},
        {2, 0, 1, 0, 18000},
        {2, -3, 0, 0, 27000},
        {2, 1, -1, 0, 4500},
        {2, 5, -10, 0, 2657},  // only the orientation counts: (1, -2) alike
        {2, -1, 1, 0, 22500},
        {2, -1, -1, 0, 31500},
        {2, -1000, -1, 0, 27006},
        {2, 0, 0, 0, 9000},
        {2, kLongMax, kLongMin, 0, 4500},
        {3, 1, -1, 7, 4500},  // a third axis is not the wheel's
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.axes << " axes: " << row.x << ", " << row.y);
        EffectRecord polar(EffectKind::Constant, row.axes);
        polar.directions[0] = row.angle;
        polar.directions[1] = 0;
        EffectRecord cartesian = polar;
        cartesian.effect.dwFlags = DIEFF_OBJECTIDS | DIEFF_CARTESIAN;
        cartesian.axes[2] = polar.axes[2] = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(2);
        const LONG given[] = {row.x, row.y, row.z, 5};
        std::copy(std::begin(given), std::end(given), cartesian.directions);

        TestTable expected, created, updated;
        DWORD h1 = 0, h2 = 0, h3 = 0;
        ASSERT_EQ(DownloadEffect(expected.process, 0, kEffectConstant, &h1, &polar.effect, 0),
                  S_OK);
        ASSERT_EQ(DownloadEffect(created.process, 0, kEffectConstant, &h2, &cartesian.effect, 0),
                  S_OK);
        EffectRecord before = polar;
        before.directions[0] = 4321;
        ASSERT_EQ(DownloadEffect(updated.process, 0, kEffectConstant, &h3, &before.effect, 0),
                  S_OK);
        ASSERT_EQ(DownloadEffect(updated.process, 0, kEffectConstant, &h3, &cartesian.effect,
                                 DIEP_DIRECTION | DIEP_NODOWNLOAD),
                  S_OK);

        EXPECT_EQ(created.slot(0, 1).flags, DIEFF_OBJECTIDS | DIEFF_POLAR);
        EXPECT_EQ(created.slot(0, 1).directions[0], row.angle);
        EXPECT_TRUE(created.Unchanged(*expected.Snapshot()));
        EXPECT_EQ(updated.slot(0, 1).directions[0], row.angle);
        EXPECT_TRUE(updated.Unchanged(*expected.Snapshot()));
    }
}

// Polar input is stored exactly as given, angles out of range and unused entries included;
// so is a record whose coordinates are not cartesian alone.
TEST(DownloadDirection, OtherCoordinatesAreKeptAsGiven) {
    const struct {
        DWORD flags;
        DWORD axes;
        LONG first, second;
    } rows[] = {
        {DIEFF_POLAR, 2, 9000, 123},
        {DIEFF_POLAR, 2, -4500, 0},
        {DIEFF_POLAR, 2, 40000, -1},
        {DIEFF_POLAR, 1, 27000, 0},
        {DIEFF_POLAR, 1, 0, 0},
        {DIEFF_SPHERICAL, 2, 18000, 0},
        {DIEFF_CARTESIAN | DIEFF_POLAR, 2, -1, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.flags << std::dec << " " << row.first);
        EffectRecord r(EffectKind::Periodic, row.axes);
        r.effect.dwFlags = DIEFF_OBJECTOFFSETS | row.flags;
        r.directions[0] = row.first;
        r.directions[1] = row.second;
        TestTable t;
        DWORD handle = 0;
        ASSERT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect, 0), S_OK);
        const EffectSlot& s = t.slot(0, 1);
        EXPECT_EQ(s.flags, DIEFF_OBJECTOFFSETS | row.flags);
        EXPECT_EQ(s.directions[0], row.first);
        EXPECT_EQ(s.directions[1], row.axes > 1 ? row.second : 0);
    }
}

TEST(DownloadSpring, OneRecordPerAxisAndNoTrigger) {
    TestTable t;
    EffectRecord one(EffectKind::Condition, 1);
    DWORD handle = 0;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSpring, &handle, &one.effect, 0), S_OK);
    EXPECT_EQ(handle, 1u);

    EffectRecord wrongSize(EffectKind::Condition, 1);
    wrongSize.effect.cbTypeSpecificParams = 48;
    handle = 0;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSpring, &handle, &wrongSize.effect, 0),
              E_NOTIMPL);
    EffectRecord triggered(EffectKind::Condition, 1);
    triggered.effect.dwTriggerButton = DIDFT_PSHBUTTON;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSpring, &handle, &triggered.effect, 0),
              E_NOTIMPL);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(UsedSlots(t), 1);
}

// Refusals before the slot is allocated, and the id refused at the store, all leave the
// area as it was.
TEST(DownloadRefusal, NothingStaysAllocated) {
    struct Case {
        const char* what;
        DWORD effectId;
        DWORD flags;
        DWORD triggerButton;
        HRESULT expected;
    };
    const Case cases[] = {
        {"id 34", 34, DIEP_START, DIEB_NOTRIGGER, E_NOTIMPL},
        {"id 100", 100, 0, DIEB_NOTRIGGER, E_NOTIMPL},
        {"trigger of instance 1", kEffectConstant, DIEP_TRIGGERBUTTON,
         DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(1), E_NOTIMPL},
        {"toggle button", kEffectConstant, DIEP_TRIGGERBUTTON,
         DIDFT_TGLBUTTON | DIDFT_MAKEINSTANCE(0), E_NOTIMPL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestTable t;
        EffectRecord r(EffectKind::Constant);
        r.effect.dwTriggerButton = c.triggerButton;
        DWORD handle = 0;
        EXPECT_EQ(DownloadEffect(t.process, 0, c.effectId, &handle, &r.effect, c.flags),
                  c.expected);
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(UsedSlots(t), 0);
        EXPECT_EQ(t.process.playingCount[0], 0);
    }
}

TEST(DownloadRefusal, FirstPushButtonIsAcceptedAsTrigger) {
    TestTable t;
    EffectRecord r(EffectKind::Constant);
    r.effect.dwTriggerButton = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(0);
    DWORD handle = 0;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, &r.effect, DIEP_TRIGGERBUTTON),
              S_OK);
    EXPECT_EQ(t.slot(0, 1).triggerButton, DIDFT_PSHBUTTON);
}

class DownloadUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect, DIEP_START), S_OK);
        t.slot(0, handle).startTime = 123456;  // the engine has stamped it
        t.slot(0, handle).startDelay = 40000;
    }
    TestTable t;
    EffectRecord r{EffectKind::Periodic};
    DWORD handle = 0;
};

// The trigger is checked before any parameter is written: a refused update leaves the
// slot as it was, its gain included.
TEST_F(DownloadUpdate, RefusedTriggerWithAGainChangeWritesNothing) {
    const auto before = t.Snapshot();
    r.effect.dwGain = 2500;
    r.effect.dwTriggerButton = DIDFT_TGLBUTTON | DIDFT_MAKEINSTANCE(0);
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect,
                             DIEP_GAIN | DIEP_TRIGGERBUTTON),
              E_NOTIMPL);
    EXPECT_TRUE(t.Unchanged(*before));
}

TEST_F(DownloadUpdate, GainChangeDoesNotRestart) {
    r.effect.dwGain = 2500;
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect, DIEP_GAIN), S_OK);
    EXPECT_EQ(handle, 1u);
    EXPECT_EQ(t.slot(0, 1).gain, 2500u);
    EXPECT_EQ(t.slot(0, 1).startTime, 123456u);
    EXPECT_EQ(t.area(0).slotPlaying[0], 1);
    EXPECT_EQ(UsedSlots(t), 1);
}

TEST_F(DownloadUpdate, StartRestartsFromTheBeginning) {
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect,
                             DIEP_GAIN | DIEP_START | DIEP_NORESTART),
              S_OK);
    EXPECT_EQ(t.slot(0, 1).startTime, 0u);
    EXPECT_EQ(t.process.playingCount[0], 1);
}

TEST_F(DownloadUpdate, RefusedAutoRepeatKeepsWhatWasWrittenBefore) {
    r.effect.dwGain = 3000;
    r.effect.dwDuration = 777000;
    r.effect.dwTriggerButton = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(0);
    r.effect.dwTriggerRepeatInterval = 500000;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect,
                             DIEP_GAIN | DIEP_DURATION | DIEP_TRIGGERREPEATINTERVAL),
              E_NOTIMPL);
    const EffectSlot& s = t.slot(0, 1);
    EXPECT_EQ(s.gain, 3000u);
    EXPECT_EQ(s.duration, 777000u);
    EXPECT_EQ(s.triggerRepeatInterval, 500000u);
    EXPECT_EQ(s.startDelay, 0u);                 // no DIEP_STARTDELAY
    EXPECT_EQ(s.triggerButton, DIEB_NOTRIGGER);  // the store did not run
    EXPECT_EQ(UsedSlots(t), 1);
}

TEST_F(DownloadUpdate, AxesMustBeAbsoluteWithInstancesBelowTheCount) {
    r.axes[1] = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(2);
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect, DIEP_AXES), E_NOTIMPL);
    r.axes[1] = DIDFT_RELAXIS | DIDFT_MAKEINSTANCE(1);
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect, DIEP_AXES), E_NOTIMPL);
    EXPECT_EQ(UsedSlots(t), 1);
}

TEST_F(DownloadUpdate, NoDownloadStillWritesTheChangedParameters) {
    r.effect.dwGain = 1111;
    r.effect.dwStartDelay = 90000;
    r.directions[0] = 27000;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSine, &handle, &r.effect,
                             DIEP_GAIN | DIEP_DIRECTION | DIEP_STARTDELAY | DIEP_NODOWNLOAD),
              S_OK);
    EXPECT_EQ(t.slot(0, 1).gain, 1111u);
    EXPECT_EQ(t.slot(0, 1).directions[0], 27000);
    EXPECT_EQ(t.slot(0, 1).startDelay, 90000u);
}

// An update's envelope and type-specific record are read whole too: one that says it is
// shorter, or a record of another kind's size, is refused before the slot changes.
TEST_F(DownloadUpdate, ShortRecordsAreRefusedWithTheSlotUnchanged) {
    const struct {
        const char* what;
        DWORD effectId, flags, envelopeSize, recordSize;
    } cases[] = {
        {"envelope of 16 bytes", kEffectSine, DIEP_ENVELOPE | DIEP_GAIN, 16, sizeof(DIPERIODIC)},
        {"periodic of a constant's size", kEffectSine, DIEP_TYPESPECIFICPARAMS | DIEP_GAIN,
         sizeof(DIENVELOPE), sizeof(DICONSTANTFORCE)},
        {"condition of a ramp's size", kEffectDamper, DIEP_TYPESPECIFICPARAMS, sizeof(DIENVELOPE),
         sizeof(DIRAMPFORCE)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EffectRecord update(EffectKind::Periodic);
        update.WithEnvelope().envelope.dwSize = c.envelopeSize;
        update.effect.cbTypeSpecificParams = c.recordSize;
        update.effect.dwGain = 2500;
        const auto before = t.Snapshot();
        DWORD given = handle;
        EXPECT_EQ(DownloadEffect(t.process, 0, c.effectId, &given, &update.effect, c.flags),
                  DIERR_INVALIDPARAM);
        EXPECT_EQ(given, handle);
        EXPECT_TRUE(t.Unchanged(*before));
    }
}

TEST_F(DownloadUpdate, UnknownIdFreesTheUpdatedSlot) {
    DWORD given = handle;
    EXPECT_EQ(DownloadEffect(t.process, 0, 34, &given, &r.effect, 0), E_NOTIMPL);
    EXPECT_EQ(given, handle);
    EXPECT_EQ(UsedSlots(t), 0);
}

// Records that cannot be read safely are refused before anything is written or allocated.
TEST(DownloadHostileInput, RefusedWithNothingChanged) {
    struct Case {
        const char* what;
        void (*spoil)(EffectRecord&);
        DWORD handle;
        HRESULT expected;
    };
    const Case cases[] = {
        {"size below a DirectInput 5 record", [](EffectRecord& r) { r.effect.dwSize = 40; }, 0,
         E_INVALIDARG},
        {"five axes", [](EffectRecord& r) { r.effect.cAxes = 5; }, 0, E_INVALIDARG},
        {"huge axis count", [](EffectRecord& r) { r.effect.cAxes = 0x0AAAAAABu; }, 0, E_INVALIDARG},
        {"null axes", [](EffectRecord& r) { r.effect.rgdwAxes = nullptr; }, 0, E_INVALIDARG},
        {"null directions", [](EffectRecord& r) { r.effect.rglDirection = nullptr; }, 0,
         E_INVALIDARG},
        {"null record", [](EffectRecord& r) { r.effect.lpvTypeSpecificParams = nullptr; }, 0,
         E_INVALIDARG},
        {"short record", [](EffectRecord& r) { r.effect.cbTypeSpecificParams = 8; }, 0,
         E_INVALIDARG},
        {"envelope that says it is 8 bytes",
         [](EffectRecord& r) { r.WithEnvelope().envelope.dwSize = 8; }, 0, E_INVALIDARG},
        {"update of handle 65", [](EffectRecord&) {}, 65, E_HANDLE},
        {"update of handle 0xFFFFFFFF", [](EffectRecord&) {}, 0xFFFFFFFFu, E_HANDLE},
        {"update of a free handle", [](EffectRecord&) {}, 3, E_HANDLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestTable t;
        EffectRecord r(EffectKind::Periodic);
        c.spoil(r);
        auto before = t.Snapshot();
        DWORD handle = c.handle;
        EXPECT_EQ(DownloadEffect(t.process, 0, kEffectSquare, &handle, &r.effect,
                                 DIEP_ALLPARAMS | DIEP_START),
                  c.expected);
        EXPECT_EQ(handle, c.handle);
        EXPECT_TRUE(t.Unchanged(*before));
    }
}

TEST(DownloadHostileInput, NullPointersAndBadAreasAreRefused) {
    TestTable t;
    EffectRecord r(EffectKind::Constant);
    DWORD handle = 0;
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectConstant, nullptr, &r.effect, 0), E_INVALIDARG);
    EXPECT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(DownloadEffect(t.process, 8, kEffectConstant, &handle, &r.effect, 0), E_INVALIDARG);
    EXPECT_EQ(handle, 0u);
}

TEST(DownloadHostileInput, DirectInput5RecordHasNoStartDelay) {
    TestTable t;
    EffectRecord r(EffectKind::Constant);
    r.effect.dwSize = offsetof(DIEFFECT, dwStartDelay);
    r.effect.dwStartDelay = 999999;  // beyond the record the caller declared
    DWORD handle = 0;
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, &r.effect, DIEP_ALLPARAMS),
              S_OK);
    EXPECT_EQ(t.slot(0, 1).startDelay, 0u);
    ASSERT_EQ(DownloadEffect(t.process, 0, kEffectConstant, &handle, &r.effect,
                             DIEP_STARTDELAY | DIEP_NODOWNLOAD),
              S_OK);
    EXPECT_EQ(t.slot(0, 1).startDelay, 0u);
}

}  // namespace
}  // namespace quorforce
