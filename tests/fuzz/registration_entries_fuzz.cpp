// regsvr32's command line (DllInstall's words) and hostile registry trees where the
// registration reads another driver's entry and its own set-aside copy: the command parses
// or is refused, and setting aside, putting back and unregistering stay inside their keys,
// bounded, whatever the trees hold.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/other_driver_entry.h"
#include "config/registry_layout.h"
#include "driver/registration.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

constexpr std::uint32_t kTypes[] = {REG_NONE, REG_SZ, REG_BINARY, REG_DWORD};
const char kOurs[] = "{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}";
const std::string kWheel = std::string(quorforce::kOemRoot) + quorforce::kBuiltInDevice;
// Where the trees grow: the wheel's entry and axis, the copy of another driver's, and the
// class a copy names.
const std::string kRoots[] = {
    kWheel + "\\OEMForceFeedback",
    kWheel + "\\Axes\\0",
    std::string(quorforce::kSetAsideRoot) + "\\VID_5A1C&PID_E410\\OEMForceFeedback",
    std::string(quorforce::kSetAsideRoot) + "\\VID_5A1C&PID_E410\\Axes\\0",
    "Software\\Classes\\CLSID\\{0A1B2C3D-0000-4000-8000-00000000F00D}\\InprocServer32",
};
const char* const kNames[] = {"CLSID", "", "Attributes", "FFAttributes", "ConfigCLSID", "x"};
const char* const kClassTexts[] = {kOurs, "{0A1B2C3D-0000-4000-8000-00000000F00D}",
                                   "{5c0e2a71-3b94-4d6a-9e21-7f40c8d1a6b3}", "{..\\..}", ""};

// A key below `root`, up to nine levels down, named from the input.
std::string KeyBelow(quorforce::fuzz::FuzzInput& in, const std::string& root) {
    std::string key = root;
    for (int depth = in.Byte() % 10; depth > 0; --depth)
        key += "\\k" + std::to_string(in.Byte() % 4);
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce;
    using namespace quorforce::fuzz;
    host::ResetRegistry();
    FuzzInput in(data, size);
    const std::vector<std::uint8_t> words = in.Bytes(in.Byte() % 48);
    const std::string command(words.begin(), words.end());
    InstallCommand parsed;
    ParseInstallCommand(command.c_str(), &parsed);
    for (int value = in.Byte() % 32; value > 0 && !in.Empty(); --value) {
        const std::string key = KeyBelow(in, kRoots[in.Byte() % std::size(kRoots)]);
        const char* name = kNames[in.Byte() % std::size(kNames)];
        if (in.Chance(3)) {
            const char* text = kClassTexts[in.Byte() % std::size(kClassTexts)];
            host::SetRegistryValue(HKEY_LOCAL_MACHINE, key, name, REG_SZ,
                                   std::vector<BYTE>(text, text + std::strlen(text) + 1));
        } else {
            const DWORD type = in.OneOf(kTypes);
            host::SetRegistryValue(HKEY_LOCAL_MACHINE, key, name, type, in.Bytes(in.Byte()));
        }
    }
    const std::uint8_t steps = in.Byte();
    if (steps & 1) SetAsideOtherDriverEntry("VID_5A1C&PID_E410", kOurs);
    if (steps & 2) RegisterServer("C:\\quorforce\\quorforce.dll");
    if (steps & 4) RunInstallCommand((steps & 8) != 0, command.c_str(), "C:\\quorforce\\x.dll");
    if (steps & 16) UnregisterServer();
    PutBackOtherDriverEntry("VID_5A1C&PID_E410", kOurs);
    return 0;
}
