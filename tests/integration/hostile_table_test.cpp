// The shared table is writable by every process on the machine, and the device sends what
// it likes: whatever bytes stand in a device's area, its settings and its input reports, the
// engine's passes must neither crash nor leave their arrays nor overflow (the sanitizer
// builds run this too).
#include <random>

#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::ModuleTest;

class HostileTable : public ModuleTest {};

template <typename Record>
void Scramble(Record& record, std::mt19937& random) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    for (std::size_t i = 0; i < sizeof record; ++i)
        bytes[i] = static_cast<std::uint8_t>(random());
}

TEST_F(HostileTable, RandomAreasSettingsAndReportsAreSurvived) {
    UseOneChannelForceWheel();
    Bind();
    ProcessState& process = Module().process;
    BYTE buffer[kPollBufferSize] = {};
    std::mt19937 random(20261206);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        Scramble(Table().areas[0], random);
        Scramble(Table().settings[0], random);
        Table().gainOverrideActive[0] = static_cast<std::int32_t>(random() % 3);
        // Mostly real effect ids and playing marks, so that every synthesis is reached.
        const std::uint32_t ids[] = {32, 33, 35, 36, 615, 723, 371, 113, 65, 66, 67, 912, 34};
        for (std::uint32_t i = 0; i < kSlotCount; ++i) {
            Table().areas[0].slotPlaying[i] = random() % 4 == 0 ? 0 : 1;
            if (random() % 8 != 0) Table().areas[0].slots[i].effectTypeId = ids[random() % 13];
        }
        process.playingCount[0] = 1;
        std::vector<std::uint8_t> report(5);
        for (std::uint8_t& byte : report)
            byte = static_cast<std::uint8_t>(random());
        report[0] = 1;
        wheel->QueueInput(report);
        PollPass(process, buffer, GetTickCount());
        Run(3);
        host::AdvanceClock(random());  // any clock reading, wraps included
    }
    // The wheel received one report per pass, each of the wheel's own length.
    const std::vector<test::Bytes> reports = Reports();
    EXPECT_EQ(reports.size(), 600u);
    for (const test::Bytes& r : reports)
        EXPECT_EQ(r.size(), 3u);
}

TEST_F(HostileTable, OutOfRangeMapsAreRefusedByTheMixer) {
    UseOneChannelForceWheel();
    Bind();
    Module().process.placeOfArea[0] = 9;  // only this process writes it; still checked
    Module().process.playingCount[0] = 1;
    Table().areas[0].slotPlaying[0] = 1;
    Run(2);
    EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace quorforce
