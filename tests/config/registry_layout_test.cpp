// The package's tables (make-msi) and the device maker's .reg templates spell the registry's
// paths as data. These tests hold them to config/registry_layout.h, so that a key renamed in
// one place cannot leave a package or a template writing where the driver no longer reads.
#include "config/registry_layout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quorforce {
namespace {

const std::string kTemplateDevice = "VID_VVVV&PID_PPPP";  // the templates' placeholder

std::string SourceText(const std::string& path) {
    std::ifstream in(std::string(QF_SOURCE_DIR) + "/" + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The keys a .reg file writes or deletes, without the hive and the brackets.
std::vector<std::string> RegKeys(const std::string& path) {
    std::istringstream in(SourceText(path));
    const std::string machine = "HKEY_LOCAL_MACHINE\\";
    std::vector<std::string> keys;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] != '[' || line.back() != ']') continue;
        const std::size_t at = line[1] == '-' ? 2 : 1;
        EXPECT_EQ(line.compare(at, machine.size(), machine), 0) << line;
        keys.push_back(line.substr(at + machine.size(), line.size() - 1 - at - machine.size()));
    }
    return keys;
}

// Below a wheel model's key, the keys the driver, DirectInput and the applet read.
bool IsKnownTail(const std::string& tail) {
    const std::string ff = kForceFeedbackSubkey;
    const std::string product = kProductSubkey;
    for (const std::string& known :
         {std::string(), ff, ff + kEffectTypesSubkey, std::string("\\Axes"),
          std::string(kActuatorAxisSubkey), std::string(kMakerSubkey), product, product + "\\0"}) {
        if (tail == known) return true;
    }
    return tail.rfind(ff + kEffectTypesSubkey + "\\{", 0) == 0;
}

TEST(RegistryLayoutData, TheTemplatesWriteOnlyTheLayoutsKeys) {
    for (const char* file :
         {"packaging/quorforce-device.reg", "packaging/quorforce-device-uninstall.reg"}) {
        SCOPED_TRACE(file);
        const std::vector<std::string> keys = RegKeys(file);
        EXPECT_GE(keys.size(), 3u);
        for (const std::string& key : keys) {
            SCOPED_TRACE(key);
            ASSERT_EQ(key.rfind(kOemRoot, 0), 0u);
            const std::string rest = key.substr(sizeof kOemRoot - 1);
            const std::string device = rest.substr(0, rest.find('\\'));
            EXPECT_TRUE(device == kTemplateDevice || device == kBuiltInDevice);
            EXPECT_TRUE(IsKnownTail(rest.substr(device.size())));
        }
    }
    EXPECT_NE(SourceText("packaging/quorforce-device.reg")
                  .find("\"" + std::string(kClassValue) + "\"=\"" + kDriverClassId + "\""),
              std::string::npos);
}

// The text between `before` and the next `end` in `text`; "" when `before` is not there.
std::string Between(const std::string& text, const std::string& before, char end) {
    const std::size_t at = text.find(before);
    if (at == std::string::npos) return "";
    const std::size_t from = at + before.size();
    return text.substr(from, text.find(end, from) - from);
}

TEST(RegistryLayoutData, ThePackageSpellsTheLayoutsNames) {
    const std::string script = SourceText("packaging/installer/make-msi");
    ASSERT_FALSE(script.empty());
    const std::string root = kOemRoot;
    const std::string classes = kClassesKey;
    const std::string device = kBuiltInDevice;  // "VID_XXXX&PID_XXXX"
    const struct {
        const char* before;
        std::string expected;
    } spellings[] = {
        {"\nCLASS_ID = \"", kDriverClassId},
        {"\nPAGE_CLASS_ID = \"", kPageClassId},
        {"\nOEM = r\"", root.substr(0, root.size() - 1)},
        {"key = r\"", classes.substr(0, classes.size() - 1)},
        {"quoteattr(key + r\"", kInprocServerSubkey},
        {"\"--vid\", default=os.environ.get(\"QUORFORCE_VID\", \"", device.substr(4, 4)},
        {"\"--pid\", default=os.environ.get(\"QUORFORCE_PID\", \"", device.substr(13, 4)},
    };
    for (const auto& spelling : spellings) {
        SCOPED_TRACE(spelling.before);
        EXPECT_EQ(Between(script, spelling.before, '"'), spelling.expected);
    }
    // The wheel's page, when asked for, is named in the value the applet reads.
    EXPECT_NE(script.find("Name=\"" + std::string(kPageValue) + "\""), std::string::npos);
}

}  // namespace
}  // namespace quorforce
