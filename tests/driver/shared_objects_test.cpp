// The named objects of the shared table: their names, two openers seeing the same bytes,
// and an open that fails part-way leaving nothing behind.
#include <gtest/gtest.h>

#include <string>

#include "driver/shared_objects.h"
#include "state/kernel_names.h"
#include "util/guid_text.h"

namespace quorforce {
namespace {

std::string TextOf(const GUID& guid) {
    char text[kGuidTextSize];
    FormatGuidText(guid, text);
    return text;
}

TEST(KernelNames, AreTheUpperCaseTextOfTheFixedGuids) {
    EXPECT_EQ(TextOf(kTableMappingGuid), "{6B2D9F40-1C7E-4A35-8D62-0E9B4F7A2C15}");
    EXPECT_EQ(TextOf(kTableMutexGuid), "{6B2D9F41-1C7E-4A35-8D62-0E9B4F7A2C15}");
    EXPECT_EQ(TextOf(kInputMutexGuid), "{3E8B5D27-94A1-4C60-B7F3-2D15E6C08A9E}");
    EXPECT_EQ(TextOf(kMonitorMappingGuid), "{6B2D9F42-1C7E-4A35-8D62-0E9B4F7A2C15}");
    const GUID small = {0x1, 0x2, 0x3, {0, 1, 2, 3, 4, 5, 6, 0xab}};
    EXPECT_EQ(TextOf(small), "{00000001-0002-0003-0001-0203040506AB}");
}

// Two openers in one process stand for two processes: the names lead to the same objects.
TEST(SharedObjects, SecondOpenerSeesTheFirstOnesBytes) {
    ProcessState first, second;
    ASSERT_TRUE(OpenSharedObjects(first));
    EXPECT_EQ(first.table->areas[0].slotUsed[0], 0);  // a new block is zero-filled
    first.table->areas[3].slotUsed[7] = 1;
    first.table->settings[2].globalValue = 85;
    ASSERT_TRUE(OpenSharedObjects(second));
    EXPECT_EQ(second.table->areas[3].slotUsed[7], 1);
    EXPECT_EQ(second.table->settings[2].globalValue, 85);

    // The mutex is shared too: held by one opener, the other cannot take it.
    ASSERT_EQ(WaitForSingleObject(first.tableMutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(first.tableMutex));

    CloseSharedObjects(first);
    EXPECT_EQ(first.table, nullptr);
    EXPECT_EQ(first.tableMutex, nullptr);
    EXPECT_EQ(second.table->settings[2].globalValue, 85);  // the block lives on
    CloseSharedObjects(second);
    CloseSharedObjects(second);  // twice is harmless
}

#ifndef _WIN32
TEST(SharedObjects, FailedOpenClosesWhatItOpened) {
    const int before = host::LiveObjectCount();
    const host::ObjectKind kinds[] = {host::ObjectKind::Mutex, host::ObjectKind::Mapping,
                                      host::ObjectKind::View};
    for (host::ObjectKind kind : kinds) {
        host::FailNextCreate(kind);
        ProcessState process;
        EXPECT_FALSE(OpenSharedObjects(process));
        EXPECT_EQ(process.table, nullptr);
        EXPECT_EQ(process.mapping, nullptr);
        EXPECT_EQ(process.tableMutex, nullptr);
        EXPECT_EQ(process.inputMutex, nullptr);
        EXPECT_EQ(host::LiveObjectCount(), before);
    }
}
#endif

}  // namespace
}  // namespace quorforce
