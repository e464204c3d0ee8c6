// Output reports (byte layouts, alternating lengths, a missing output value, pending and
// unplugged devices) and input reads (the drain, button qualification, signed axes).
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "state/named_objects.h"
#include "tests/hid/hid_test_support.h"

namespace quorforce {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::Descriptor;
using test::DeviceLinkTest;
using test::WheelInput;

class ReportTest : public DeviceLinkTest {
protected:
    // Binds a device made from the descriptor as joystick 0 on link `index`.
    std::shared_ptr<host::VirtualHid> BindDevice(const Bytes& descriptor, int index = 0,
                                                 const char* instance = "0000") {
        auto device = Plug(Config(descriptor, 0x5A1C, 0xE410, instance), index, index);
        EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[index], index, 1),
                  Done::Yes);
        process.deviceLinks[index].outputUsagePage = 1;  // what the settings give by default
        process.deviceLinks[index].outputUsage = 0xBB;
        return device;
    }
    HidStatus Send(int index, DWORD value) {
        const DeviceLink& l = process.deviceLinks[index];
        return SendOutputBuffer(process, l.deviceHandle, l.outputReportLength, l.preparsedData,
                                l.outputUsagePage, l.outputUsage, value);
    }
    Done Read(int index, DWORD bufferSize = 100) {
        const DeviceLink& l = process.deviceLinks[index];
        return ZXReadInputBuffer(process, l.deviceHandle, l.inputReportLength, l.preparsedData,
                                 buffer_, bufferSize, index);
    }
    static Bytes WheelWithOutput(int bits) {
        Descriptor d;
        d.UsagePage(1).Usage(4).Application().ReportId(1);
        d.Usage(0x30).Logical(0, 1023).Size(10, 1).Input().Size(6, 1).Item(0x80, 0x03);
        d.Buttons(8).ForceOutput(bits).End();
        return d.Bytes();
    }
    // An X axis of `bits` bits, signed or not, with 24 buttons and no report ids.
    static Bytes AxisDevice(int bits, bool isSigned, int buttons = 8) {
        Descriptor d;
        d.UsagePage(1).Usage(4).Application();
        const std::int64_t half = std::int64_t{1} << (bits - 1);
        d.Usage(0x30).Logical(isSigned ? -half : 0, isSigned ? half - 1 : 2 * half - 1);
        d.Size(bits, 1).Input();
        if (bits % 8 != 0) d.Size(8 - bits % 8, 1).Item(0x80, 0x03);  // padding
        d.Buttons(buttons).ForceOutput(16).End();
        return d.Bytes();
    }

    BYTE buffer_[100] = {};
};

TEST_F(ReportTest, ThreeByteReportCarriesIdSecondFirst) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    EXPECT_EQ(Send(0, 0x8080), HidStatus::Ok);
    EXPECT_EQ(Send(0, 0x12FE), HidStatus::Ok);
    const std::vector<Bytes> expected = {
        {0x01, 0x80, 0x80},  // at rest
        {0x01, 0xFE, 0x12},  // second 0xFE in byte 1, first 0x12 in byte 2
    };
    EXPECT_EQ(wheel->OutputReports(), expected);
}

TEST_F(ReportTest, FiveByteReportCarriesTheWholeValue) {
    auto device = BindDevice(WheelWithOutput(32));
    ASSERT_EQ(process.deviceLinks[0].outputReportLength, 5);
    EXPECT_EQ(Send(0, 0x0102), HidStatus::Ok);
    EXPECT_EQ(device->OutputReports(), (std::vector<Bytes>{{0x01, 0x02, 0x01, 0x00, 0x00}}));
}

TEST_F(ReportTest, LinksOfDifferentLengthsAlternate) {
    auto three = BindDevice(host::BuiltInWheelDescriptor(), 0, "0000");
    auto four = BindDevice(WheelWithOutput(24), 1, "0001");
    ASSERT_EQ(process.deviceLinks[1].outputReportLength, 4);
    for (DWORD v : {0x1111u, 0x2222u, 0x3333u}) {
        EXPECT_EQ(Send(0, v), HidStatus::Ok);
        EXPECT_EQ(process.reports.outputBufferLength, 3);
        EXPECT_EQ(Send(1, v + 0x440000), HidStatus::Ok);
        EXPECT_EQ(process.reports.outputBufferLength, 4);
    }
    EXPECT_EQ(three->OutputReports(),
              (std::vector<Bytes>{{1, 0x11, 0x11}, {1, 0x22, 0x22}, {1, 0x33, 0x33}}));
    EXPECT_EQ(
        four->OutputReports(),
        (std::vector<Bytes>{{1, 0x11, 0x11, 0x44}, {1, 0x22, 0x22, 0x44}, {1, 0x33, 0x33, 0x44}}));
}

// The one buffer serves every link: the report id the last send left in byte 0 must not
// make the parser refuse the next device's value.
TEST_F(ReportTest, LinksOfEqualLengthAndDifferentReportIdsBothReceive) {
    Descriptor second;
    second.UsagePage(1).Usage(4).Application().ReportId(2);
    second.Usage(0x30).Logical(0, 1023).Size(10, 1).Input().Size(6, 1).Item(0x80, 0x03);
    second.Buttons(8).ForceOutput(16).End();
    auto one = BindDevice(host::BuiltInWheelDescriptor(), 0, "0000");
    auto two = BindDevice(second.Bytes(), 1, "0001");
    ASSERT_EQ(process.deviceLinks[1].outputReportLength, 3);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Send(0, 0x1111), HidStatus::Ok);
        EXPECT_EQ(Send(1, 0x2222), HidStatus::Ok);
    }
    EXPECT_EQ(one->OutputReports(), (std::vector<Bytes>{{1, 0x11, 0x11}, {1, 0x11, 0x11}}));
    EXPECT_EQ(two->OutputReports(), (std::vector<Bytes>{{2, 0x22, 0x22}, {2, 0x22, 0x22}}));
}

TEST_F(ReportTest, NoOutputValueForTheUsageSendsNothing) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    process.deviceLinks[0].outputUsage = 0xBA;
    EXPECT_EQ(Send(0, 0x8080), HidStatus::Failed);
    EXPECT_EQ(Send(0, 0x8080), HidStatus::Failed);
    EXPECT_TRUE(wheel->OutputReports().empty());
    EXPECT_EQ(process.reports.outputBufferLength, 3);  // the buffer is kept
}

TEST_F(ReportTest, BufferProblemsGiveTwo) {
    BindDevice(host::BuiltInWheelDescriptor());
    const DeviceLink& l = process.deviceLinks[0];
    EXPECT_EQ(SendOutputBuffer(process, l.deviceHandle, 0, l.preparsedData, 1, 0xBB, 0x8080),
              HidStatus::NoBuffer);
    host::FailNextAllocation();
    EXPECT_EQ(Send(0, 0x8080), HidStatus::NoBuffer);
    EXPECT_EQ(process.reports.outputBufferLength, 0);
    EXPECT_EQ(Send(0, 0x8080), HidStatus::Ok);  // the next send allocates again
}

TEST_F(ReportTest, PendingWriteIsCancelledAfter100MsAndTheNextSendWorks) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    wheel->HoldWrites(true);
    EXPECT_EQ(Send(0, 0x9090), HidStatus::Failed);
    EXPECT_EQ(wheel->PendingCount(), 0u);  // cancelled, nothing left in flight
    EXPECT_NE(process.reports.writeOverlapped.Internal, STATUS_PENDING);
    wheel->HoldWrites(false);
    EXPECT_EQ(Send(0, 0x8080), HidStatus::Ok);
    EXPECT_EQ(wheel->OutputReports(), (std::vector<Bytes>{{1, 0x80, 0x80}}));
}

// Under Windows' default timer a Sleep(1) lasts 15.6 ms, and another process may keep the
// named event signalled: the 100 ms bound of a stalled write is the clock's, not a count
// of sleeps. Generous limits: the point is 100 ms against 1.6 s.
TEST_F(ReportTest, StalledWriteIsBoundedByTheClockWhateverTheTimer) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    host::SetSleepGranularity(16);
    wheel->HoldWrites(true);
    HANDLE shared = OpenOrCreateSharedEvent("WRITE_EVENT");  // another process's driver
    std::atomic<bool> sending{true};
    std::thread other([&] {
        while (sending) {
            SetEvent(shared);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send(0, 0x9090), HidStatus::Failed);
    const auto spent = std::chrono::steady_clock::now() - start;
    sending = false;
    other.join();
    CloseHandle(shared);
    EXPECT_GE(spent, std::chrono::milliseconds(95));
    EXPECT_LT(spent, std::chrono::milliseconds(600));
    wheel->HoldWrites(false);
    EXPECT_EQ(Send(0, 0x8080), HidStatus::Ok);  // the next tick's send goes through
}

TEST_F(ReportTest, ForeignSignalOfTheSharedEventDoesNotEndTheWait) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    wheel->HoldWrites(true);
    // Another process's write signals the named event while ours is still pending.
    HANDLE shared = OpenOrCreateSharedEvent("WRITE_EVENT");  // another process's driver
    std::thread other([&] {
        for (int i = 0; i < 20; ++i) {
            SetEvent(shared);
            Sleep(2);
        }
    });
    EXPECT_EQ(Send(0, 0x9090), HidStatus::Failed);
    other.join();
    CloseHandle(shared);
    EXPECT_EQ(wheel->PendingCount(), 0u);
}

// The reports' events are shared by name with every process: made with the security of the
// other shared objects, so that another user's bind (in the stand-in every open of an existing
// object is another user's) opens them with what it needs, whoever made them.
TEST_F(ReportTest, TheReportsEventsLetAnotherUsersBindIn) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    for (const char* name : {"WRITE_EVENT", "READ_EVENT"}) {
        SCOPED_TRACE(name);
        const std::string security = host::SecurityOf(name);
        EXPECT_NE(security.find("(A;;0x00100002;;;AU)"), std::string::npos) << security;
        EXPECT_NE(security.find("S:(ML;;NW;;;ME)"), std::string::npos) << security;
    }
    ProcessState other;
    ResetOverlappedForBind(other);
    EXPECT_NE(other.reports.writeEvent, nullptr);
    EXPECT_NE(other.reports.readEvent, nullptr);
    ZXCloseEvents(other);
}

TEST_F(ReportTest, UnpluggedDeviceGivesThreeAndStaysBound) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    wheel->Unplug();
    EXPECT_EQ(Send(0, 0x8080), HidStatus::NotConnected);
    EXPECT_EQ(process.deviceLinks[0].inUse, 1);
}

TEST_F(ReportTest, ReadWithNothingQueuedLeavesNothingPending) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    process.motion[0].position = 300;
    process.motion[0].previousPosition = 200;
    EXPECT_EQ(Read(0), Done::No);
    EXPECT_EQ(process.motion[0].position, 300);
    EXPECT_EQ(process.motion[0].previousPosition, 200);
    EXPECT_EQ(wheel->PendingCount(), 0u);
    EXPECT_NE(process.reports.readOverlapped.Internal, STATUS_PENDING);
    EXPECT_EQ(ZXReadInputBuffer(process, nullptr, 5, process.deviceLinks[0].preparsedData, buffer_,
                                100, 0),
              Done::No);
}

TEST_F(ReportTest, DrainKeepsTheNewestOfThreeReports) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    process.motion[0].position = 42;
    for (std::uint32_t x : {100u, 200u, 300u})
        wheel->QueueInput(WheelInput(x));
    EXPECT_EQ(Read(0), Done::Yes);
    EXPECT_EQ(process.motion[0].position, 300);
    EXPECT_EQ(process.motion[0].previousPosition, 42);
    EXPECT_EQ(wheel->QueuedInputCount(), 0u);
    EXPECT_EQ(wheel->PendingCount(), 0u);
}

TEST_F(ReportTest, MoreThanSixteenButtonsDownStopsAtTheFirstReport) {
    auto device = BindDevice(AxisDevice(8, false, 24));
    device->QueueInput({0, 77, 0xFF, 0xFF, 0x01});  // 17 buttons down
    device->QueueInput({0, 99, 0, 0, 0});
    EXPECT_EQ(Read(0), Done::No);
    EXPECT_EQ(process.motion[0].position, 77);
    EXPECT_EQ(device->QueuedInputCount(), 1u);  // not drained
    EXPECT_EQ(Read(0), Done::Yes);
    EXPECT_EQ(process.motion[0].position, 99);
}

TEST_F(ReportTest, AxesAreSignExtendedWhenSigned) {
    struct Row {
        int bits;
        bool isSigned;
        Bytes report;
        std::int32_t position;
    };
    const Row rows[] = {
        {10, true, {0, 0xFF, 0x03, 0}, -1},     {10, true, {0, 0xFF, 0x01, 0}, 511},
        {10, false, {0, 0xFF, 0x03, 0}, 1023},  {8, true, {0, 0x80, 0}, -128},
        {16, true, {0, 0x00, 0x80, 0}, -32768},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bits << (row.isSigned ? " signed" : " unsigned"));
        TearDown();
        SetUp();
        auto device = BindDevice(AxisDevice(row.bits, row.isSigned));
        EXPECT_EQ(process.deviceLinks[0].inputAxes[0].isSigned, row.isSigned ? 1 : 0);
        device->QueueInput(row.report);
        EXPECT_EQ(Read(0), Done::Yes);
        EXPECT_EQ(process.motion[0].position, row.position);
    }
}

TEST_F(ReportTest, ReportLongerThanThePollBufferIsNeverRead) {
    auto wheel = BindDevice(host::BuiltInWheelDescriptor());
    wheel->QueueInput(WheelInput(100));
    EXPECT_EQ(Read(0, 4), Done::No);
    EXPECT_EQ(wheel->QueuedInputCount(), 1u);
    EXPECT_EQ(Read(0, 100), Done::Yes);
}

TEST_F(ReportTest, EventsAreCreatedOnceAndClosedTogether) {
    const int before = host::LiveObjectCount();
    BindDevice(host::BuiltInWheelDescriptor());
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::Yes);
    // The device handle, the two named events and the held writes' own.
    EXPECT_EQ(host::LiveObjectCount(), before + 4);
    ZXCloseEvents(process);
    EXPECT_EQ(process.reports.writeOverlapped.hEvent, nullptr);
    EXPECT_EQ(process.reports.heldEvent, nullptr);
    EXPECT_EQ(host::LiveObjectCount(), before + 1);
}

TEST_F(ReportTest, CancelEntryIsLoadedAndReleased) {
    ZXLoadCancelIo(process);
    EXPECT_NE(process.reports.kernelModule, nullptr);
    EXPECT_NE(process.reports.cancelIoEntry, nullptr);
    ZXReleaseCancelIo(process);
    EXPECT_EQ(process.reports.kernelModule, nullptr);
    EXPECT_EQ(process.reports.cancelIoEntry, nullptr);
    EXPECT_EQ(host::LoadedModuleCount(), 0);
}

}  // namespace
}  // namespace quorforce
