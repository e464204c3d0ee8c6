// Reading quorpanel's command line.
#include "panel/command_line.h"

#include <cctype>
#include <vector>

namespace quorforce::panel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The words of the line: blanks between them, double quotes around blanks a word keeps.
std::vector<std::string> Words(const char* line) {
    std::vector<std::string> words;
    if (line == nullptr) return words;
    const char* at = line;
    while (*at != '\0') {
        while (IsBlank(*at))
            ++at;
        if (*at == '\0') break;
        std::string word;
        bool quoted = false;
        for (; *at != '\0' && (quoted || !IsBlank(*at)); ++at) {
            if (*at == '"') {
                quoted = !quoted;
            } else {
                word += *at;
            }
        }
        words.push_back(word);
    }
    return words;
}

bool IsOption(const std::string& word, const char* option) {
    std::string lowered;
    for (char c : word)
        lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered == option;
}

}  // namespace

PanelCommand ParseCommandLine(const char* line) {
    PanelCommand command;
    const std::vector<std::string> words = Words(line);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (IsOption(words[i], "/quiet")) {
            command.quiet = true;
        } else if (IsOption(words[i], "/import")) {
            command.import = true;
            if (i + 1 < words.size() && !words[i + 1].empty() &&
                !IsOption(words[i + 1], "/quiet")) {
                command.file = words[++i];
            }
        }
    }
    if (command.import && command.file.empty()) command.error = "/import needs a profile file";
    return command;
}

}  // namespace quorforce::panel
