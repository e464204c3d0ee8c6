// quorsim: runs a scenario script on the driver's own code and a virtual wheel, and shows
// what the wheel receives. Usage: quorsim [--svg FILE] [--trace FILE] [--realtime] [--quiet]
// SCRIPT; quorsim replay|doctor RECORDING ... for a recorded game session.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/quorsim/output.h"
#include "tools/quorsim/recording_commands.h"
#include "tools/quorsim/script.h"
#include "tools/quorsim/simulator.h"

namespace {

int Usage() {
    std::cerr
        << "usage: quorsim [--svg FILE] [--trace FILE] [--realtime] [--quiet] SCRIPT\n"
           "  CSV of every report the wheel receives goes to standard output;\n"
           "  --svg FILE   also draw the two channels over time\n"
           "  --trace FILE write the first simulated wheel's position each ms (ms,position),\n"
           "               which a hand trace line replays\n"
           "  --realtime   run the real engine threads instead of virtual time\n"
           "  --quiet      no summary on standard error\n"
           "  --record DIR record the session as a game's with Record on would be, into\n"
           "               DIR/Quorvane/Recordings (DIR stands for %LOCALAPPDATA%)\n"
           "       quorsim replay RECORDING [--svg FILE] [--csv FILE]\n"
           "       quorsim doctor RECORDING [--svg FILE]\n"
           "  (docs/recordings.md)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "replay") return quorsim::ReplayCommand(argc - 1, argv + 1);
    if (command == "doctor") return quorsim::DoctorCommand(argc - 1, argv + 1);
    std::string scriptPath, svgPath, tracePath, recordFolder;
    bool realtime = false, quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--svg" && i + 1 < argc) {
            svgPath = argv[++i];
        } else if (arg == "--trace" && i + 1 < argc) {
            tracePath = argv[++i];
        } else if (arg == "--record" && i + 1 < argc) {
            recordFolder = argv[++i];
        } else if (arg == "--realtime") {
            realtime = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (!arg.empty() && arg[0] != '-' && scriptPath.empty()) {
            scriptPath = arg;
        } else {
            return Usage();
        }
    }
    if (scriptPath.empty()) return Usage();
    std::ifstream in(scriptPath);
    if (!in) {
        std::cerr << "quorsim: cannot read " << scriptPath << "\n";
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::size_t slash = scriptPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : scriptPath.substr(0, slash + 1);
    const quorsim::ParseResult parsed = quorsim::ParseScript(text.str(), folder);
    if (!parsed.ok()) {
        for (const std::string& error : parsed.errors)
            std::cerr << scriptPath << ": " << error << "\n";
        return 1;
    }
    quorsim::Script script = parsed.script;
    if (!recordFolder.empty()) quorsim::AskToRecord(recordFolder, &script);
    const quorsim::RunLog log = quorsim::RunScenario(script, realtime);
    if (!recordFolder.empty()) std::cerr << quorsim::RecordedFile() << "\n";
    quorsim::WriteCsv(log, std::cout);
    if (!svgPath.empty()) {
        std::ofstream svg(svgPath);
        const std::string name = scriptPath.substr(slash == std::string::npos ? 0 : slash + 1);
        const std::string devices =
            log.devices.size() > 1 ? "the virtual devices" : "the virtual wheel";
        quorsim::WriteSvg(log, "quorsim: " + name + " on " + devices, svg);
        if (!svg) {
            std::cerr << "quorsim: cannot write " << svgPath << "\n";
            return 1;
        }
    }
    if (!tracePath.empty() && !quorsim::WriteTrace(log, tracePath)) {
        std::cerr << "quorsim: cannot write " << tracePath << "\n";
        return 1;
    }
    if (!quiet) std::cerr << quorsim::Summary(log);
    return 0;
}
