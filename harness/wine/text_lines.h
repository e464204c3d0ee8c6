// Text files the Windows tests read line by line (the DirectInput stand-in's record: "app
// ..." for an application's call and its result, "driver ..." for what the stand-in handed
// the effect driver), and the lines among them with a given part.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace wine_test {

inline bool Contains(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

// The lines of a file, without their line ends; none when it cannot be read.
inline std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The lines that contain `part`, or with `atStart` that begin with it.
inline std::vector<std::string> LinesWith(const std::vector<std::string>& lines,
                                          const std::string& part, bool atStart = false) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (atStart ? line.rfind(part, 0) == 0 : Contains(line, part)) found.push_back(line);
    }
    return found;
}

}  // namespace wine_test
