// quorpanel's command line: `quorpanel /import FILE [/quiet]` imports a profile file for the
// wheel the panel shows first and ends (0 imported, 1 not), in a message box unless /quiet;
// anything else opens the panel. Options in any case and order; FILE in double quotes when
// it holds spaces.
#pragma once

#include <string>

namespace quorforce::panel {

struct PanelCommand {
    bool import = false;
    bool quiet = false;
    std::string file;   // the profile file to import
    std::string error;  // not empty: /import without a file
};

PanelCommand ParseCommandLine(const char* line);

}  // namespace quorforce::panel
