// A profile file as anyone may hand it over: any bytes. The reader never looks past them; a
// file it takes names a game a key can hold and only values within their ranges, and what
// the writer makes of it reads back the same; a refused one names a line of the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/profile_file.h"

using namespace quorforce;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's length, so that the sanitizer sees any read past it.
    std::vector<char> text(data, data + size);
    Profile profile;
    ProfileRefusal refusal;
    if (!ParseProfile(text.data(), text.size(), &profile, &refusal)) {
        const std::size_t lines =
            static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        if (refusal.problem == ProfileProblem::None || refusal.line > lines + 1) std::abort();
        if (DescribeRefusal(refusal).empty() || profile.game[0] != '\0') std::abort();
        return 0;
    }
    if (!IsGameFileName(profile.game, std::strlen(profile.game))) std::abort();
    for (const GameSwitchEntry& entry : kGameSwitches) {
        if (profile.switches.Has(entry.id) &&
            !InRange(entry, static_cast<DWORD>(profile.switches.Get(entry.id)))) {
            std::abort();
        }
    }
    const std::string written = FormatProfile(profile);
    Profile again;
    if (!ParseProfile(written.data(), written.size(), &again, &refusal)) std::abort();
    if (std::strcmp(again.game, profile.game) != 0) std::abort();
    for (const GameSwitchEntry& entry : kGameSwitches)
        if (again.switches.Get(entry.id) != profile.switches.Get(entry.id)) std::abort();
    return 0;
}
