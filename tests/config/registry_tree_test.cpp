// The registry tree helpers the registration, the setting-aside of another driver's entry and
// the setup's actions share: what they take away, what they leave, and what they read.
#include "config/registry_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quorforce {
namespace {

const std::string kTop = "Software\\Tree";

std::vector<BYTE> Bytes(const std::string& text, bool ended = true) {
    std::vector<BYTE> bytes(text.begin(), text.end());
    if (ended) bytes.push_back(0);
    return bytes;
}

class RegistryTree : public ::testing::Test {
protected:
    void SetUp() override { host::ResetRegistry(); }
    void TearDown() override {
        EXPECT_EQ(host::OpenRegistryKeyCount(), 0);  // every helper closes what it opens
        host::ResetRegistry();
    }
    static void Mark(const std::string& path) {
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, path, "mark", 1);
    }
    static bool Has(const std::string& path) {
        return host::RegistryKeyExists(HKEY_LOCAL_MACHINE, path);
    }
    // A chain of `depth` keys below `path`, each with a value and a second, empty child.
    static std::string Chain(std::string path, int depth) {
        for (int i = 0; i < depth; ++i) {
            Mark(path);
            host::SetRegistryDword(HKEY_LOCAL_MACHINE, path + "\\empty\\x", "v", 0);
            path += "\\" + std::to_string(i);
        }
        Mark(path);
        return path;
    }
};

TEST_F(RegistryTree, DeleteTreeTakesTheWholeSubtreeAndNothingBeside) {
    const std::string sibling = kTop + "\\Beside";
    Mark(sibling);
    const std::string deepest = Chain(kTop + "\\Gone", 5);
    ASSERT_TRUE(Has(deepest));
    DeleteTree(HKEY_LOCAL_MACHINE, kTop + "\\Gone");
    EXPECT_FALSE(Has(kTop + "\\Gone"));
    EXPECT_TRUE(Has(sibling));
    DeleteTree(HKEY_LOCAL_MACHINE, kTop + "\\Never");  // not there: nothing happens
    EXPECT_TRUE(Has(sibling));
}

// A tree as deep as the bound goes whole; one deeper is not walked to its end: what lies past
// the bound keeps its ancestors, and the walk ends instead of meeting a key that will not go
// again and again.
TEST_F(RegistryTree, DeleteTreeIsBoundedInDepth) {
    for (const auto& [depth, deleted] : {std::pair<int, bool>{6, true}, {14, false}}) {
        SCOPED_TRACE(depth);
        const std::string deepest = Chain(kTop + "\\Deep", depth);
        DeleteTree(HKEY_LOCAL_MACHINE, kTop + "\\Deep");
        EXPECT_EQ(Has(deepest), !deleted);
        EXPECT_EQ(Has(kTop + "\\Deep"), !deleted);
    }
}

TEST_F(RegistryTree, DeleteEmptyUpwardsClimbsWhileKeysAreEmptyOrGone) {
    const std::string wheel = kTop + "\\W", maker = wheel + "\\Q", product = maker + "\\F";
    const struct {
        const char* name;
        std::vector<std::string> marked;  // keys made with a value
        std::vector<std::string> made;    // keys made empty
        std::string path;
        int levels;
        std::vector<std::string> kept;
        std::vector<std::string> gone;
    } cases[] = {
        {"all empty", {}, {product}, product, 2, {kTop}, {product, maker, wheel}},
        {"stops at a key with a value", {wheel}, {product}, product, 2, {wheel}, {product, maker}},
        {"levels bound the climb", {}, {product}, product, 0, {maker}, {product}},
        {"passes over a key already gone", {}, {maker}, product, 2, {kTop}, {maker, wheel}},
        {"a key that holds something stays", {product}, {}, product, 2, {product}, {}},
        {"a sibling keeps the parent", {maker + "\\G"}, {product}, product, 2, {maker}, {product}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host::ResetRegistry();
        Mark(kTop);
        for (const std::string& key : c.marked)
            Mark(key);
        for (const std::string& key : c.made) {
            Mark(key);
            DeleteValues(HKEY_LOCAL_MACHINE, key, {"mark"});
        }
        DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, c.path, c.levels);
        for (const std::string& key : c.kept)
            EXPECT_TRUE(Has(key)) << key;
        for (const std::string& key : c.gone)
            EXPECT_FALSE(Has(key)) << key;
    }
}

TEST_F(RegistryTree, ReadTextTakesOnlyTextThatFits) {
    const struct {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        DWORD capacity;
        bool read;
        std::string text;
    } cases[] = {
        {"text", REG_SZ, Bytes("VID_046D&PID_C294"), kMaxTextSize, true, "VID_046D&PID_C294"},
        {"empty text", REG_SZ, Bytes(""), kMaxTextSize, true, ""},
        {"stored without its end", REG_SZ, Bytes("abc", false), kMaxTextSize, true, "abc"},
        {"fills the capacity", REG_SZ, Bytes(std::string(7, 'x'), false), 8, true, "xxxxxxx"},
        {"longer than the capacity", REG_SZ, Bytes(std::string(8, 'x')), 8, false, ""},
        {"not text", REG_DWORD, {1, 0, 0, 0}, kMaxTextSize, false, ""},
        {"no room at all", REG_SZ, Bytes("a"), 0, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host::SetRegistryValue(HKEY_LOCAL_MACHINE, kTop, "value", c.type, c.data);
        std::string text = "before";
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kTop, "value", &text, c.capacity), c.read);
        EXPECT_EQ(text, c.text);
    }
    std::string text = "before";
    EXPECT_FALSE(ReadText(HKEY_LOCAL_MACHINE, kTop, "absent", &text));
    EXPECT_FALSE(ReadText(HKEY_LOCAL_MACHINE, kTop + "\\Absent", "value", &text));
    EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace quorforce
