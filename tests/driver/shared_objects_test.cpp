// The named objects of the shared table: their names, two openers seeing the same bytes,
// and an open that fails part-way leaving nothing behind.
#include <gtest/gtest.h>

#include <string>

#include "driver/shared_objects.h"
#include "state/kernel_names.h"
#include "state/named_objects.h"
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

// In the stand-in every open of an existing object is another user's, granted only what the
// object's security gives Authenticated Users: the first opener plays the elevated game, the
// second the normal one.
TEST(SharedObjects, EveryObjectIsMadeWithSecurityThatLetsOtherUsersIn) {
    ProcessState elevated, normal;
    ASSERT_TRUE(OpenSharedObjects(elevated));
    const GUID* objects[] = {&kTableMutexGuid, &kInputMutexGuid, &kTableMappingGuid,
                             &kMonitorMappingGuid};
    for (const GUID* guid : objects) {
        SCOPED_TRACE(TextOf(*guid));
        const std::string security = host::SecurityOf(TextOf(*guid).c_str());
        EXPECT_NE(security.find("S:(ML;;NW;;;ME)"), std::string::npos) << security;
        EXPECT_NE(security.find(";;;AU)"), std::string::npos) << security;
    }
    ASSERT_TRUE(OpenSharedObjects(normal));
    ASSERT_NE(normal.monitor, nullptr);
    EXPECT_EQ(WaitForSingleObject(normal.tableMutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(normal.tableMutex));
    normal.table->settings[1].globalValue = 70;
    EXPECT_EQ(elevated.table->settings[1].globalValue, 70);
    // The panel's read-only view needs no more than reading.
    HANDLE mapping = nullptr;
    const void* view =
        MapBlockForReading(TextOf(kTableMappingGuid).c_str(), sizeof(SharedEffectTable), &mapping);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(static_cast<const SharedEffectTable*>(view)->settings[1].globalValue, 70);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    CloseSharedObjects(normal);
    CloseSharedObjects(elevated);
}

// Objects of the driver's names that it cannot use as its own: made by another program (or an
// older driver) with too few rights for other users, or too small. The load is refused and
// nothing stays open; the panel's reader finds nothing.
TEST(SharedObjects, ObjectsItCannotUseRefuseTheLoadCleanly) {
    struct Case {
        const char* what;
        const GUID* guid;
        bool mutex;
        const char* security;
        DWORD size;
    };
    const Case cases[] = {
        {"table mutex with only SYNCHRONIZE", &kTableMutexGuid, true, "D:(A;;0x00100000;;;AU)", 0},
        {"input mutex with no entry for users", &kInputMutexGuid, true, "D:(A;;GA;;;BA)", 0},
        {"table mapping readable only", &kTableMappingGuid, false, "D:(A;;0x00000004;;;AU)",
         sizeof(SharedEffectTable)},
        {"table mapping smaller than the table", &kTableMappingGuid, false, "", 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
        if (*c.security != '\0') {
            ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
                c.security, SDDL_REVISION_1, &descriptor, nullptr));
            attributes.lpSecurityDescriptor = descriptor;
        }
        const std::string name = TextOf(*c.guid);
        HANDLE foreign = c.mutex ? CreateMutexA(&attributes, FALSE, name.c_str())
                                 : CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes,
                                                      PAGE_READWRITE, 0, c.size, name.c_str());
        LocalFree(descriptor);
        ASSERT_NE(foreign, nullptr);
        const int before = host::LiveObjectCount();
        ProcessState process;
        EXPECT_FALSE(OpenSharedObjects(process));
        EXPECT_EQ(process.table, nullptr);
        EXPECT_EQ(process.tableMutex, nullptr);
        EXPECT_EQ(host::LiveObjectCount(), before);
        CloseHandle(foreign);
    }
}
#endif

}  // namespace
}  // namespace quorforce
