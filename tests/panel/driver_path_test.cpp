// The paths the panel accepts for quorforce.dll: only a fully qualified one, so that neither
// a registration with a bare name nor the folder the panel was started in supplies the driver.
#include <gtest/gtest.h>

#include <string>

#include "panel/driver_path.h"

namespace quorforce::panel {
namespace {

TEST(DriverPath, OnlyFullyQualifiedPathsAreLoaded) {
    struct Row {
        const wchar_t* path;
        bool full;
    };
    const Row rows[] = {
        {L"C:\\Program Files\\quorforce\\quorforce.dll", true},
        {L"c:/quorforce/quorforce.dll", true},
        {L"\\\\server\\share\\quorforce.dll", true},
        {L"\\\\?\\C:\\quorforce\\quorforce.dll", true},
        {L"quorforce.dll", false},           // searched for, the current directory included
        {L".\\quorforce.dll", false},        // the current directory
        {L"..\\bin\\quorforce.dll", false},  // relative to it
        {L"C:quorforce.dll", false},         // the current directory of drive C
        {L"\\quorforce.dll", false},         // the root of the current drive
        {L"\\\\", false},
        {L"\\\\\\x", false},
        {L"C:", false},
        {L"1:\\quorforce.dll", false},
        {L"", false},
    };
    for (const Row& row : rows) {
        const std::wstring path = row.path;
        EXPECT_EQ(IsFullPath(path), row.full) << std::string(path.begin(), path.end());
    }
}

TEST(DriverPath, TheCopyBesideTheModuleIsInTheModulesFolder) {
    struct Row {
        const wchar_t* module;
        const wchar_t* beside;
    };
    const Row rows[] = {
        {L"C:\\Program Files\\quorforce\\quorpage.dll",
         L"C:\\Program Files\\quorforce\\quorforce.dll"},
        {L"C:\\quorpanel.exe", L"C:\\quorforce.dll"},
        {L"\\\\server\\share\\tools\\quorpanel.exe", L"\\\\server\\share\\tools\\quorforce.dll"},
        {L"D:/games/quorpanel.exe", L"D:/games/quorforce.dll"},
        {L"quorpanel.exe", L""},  // no folder known: nothing, not a search
        {L"", L""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BesideModule(row.module, L"quorforce.dll"), std::wstring(row.beside));
    }
    EXPECT_EQ(BesideModule(L"C:\\quorpanel.exe", L""), L"");
}

}  // namespace
}  // namespace quorforce::panel
