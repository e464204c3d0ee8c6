// The replay and doctor commands: reading the file, the options, what goes where.
#include "tools/quorsim/recording_commands.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <cstdlib>

#include "record/recorder.h"
#include "tools/quorsim/doctor.h"
#include "tools/quorsim/output.h"
#include "tools/quorsim/replay.h"

namespace quorsim {
namespace {

struct Options {
    std::string recording, svg, csv;
};

bool ParseOptions(int argc, char** argv, bool csvAllowed, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--svg" && i + 1 < argc) {
            options->svg = argv[++i];
        } else if (csvAllowed && arg == "--csv" && i + 1 < argc) {
            options->csv = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && options->recording.empty()) {
            options->recording = arg;
        } else {
            return false;
        }
    }
    return !options->recording.empty();
}

bool Load(const std::string& path, quorforce::ReadRecordingResult* recording) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "quorsim: cannot read " << path << "\n";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    *recording = quorforce::ReadRecording(text.str());
    if (!recording->ok) std::cerr << path << ": " << recording->error << "\n";
    return recording->ok;
}

bool WriteFiles(const Options& options, const RunLog& log, const std::string& title) {
    if (!options.svg.empty()) {
        std::ofstream svg(options.svg);
        WriteSvg(log, title, svg);
        if (!svg) {
            std::cerr << "quorsim: cannot write " << options.svg << "\n";
            return false;
        }
    }
    if (!options.csv.empty()) {
        std::ofstream csv(options.csv);
        WriteCsv(log, csv);
        if (!csv) {
            std::cerr << "quorsim: cannot write " << options.csv << "\n";
            return false;
        }
    }
    return true;
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void AskToRecord(const std::string& folder, Script* script) {
    setenv("LOCALAPPDATA", folder.c_str(), 1);
    for (std::size_t i = 0; i < script->wheels.size(); ++i) {
        Setting record;
        record.name = "Record";
        record.value = 1;
        record.device = static_cast<int>(i);
        script->settings.push_back(record);
    }
}

std::string RecordedFile() {
    const std::string path = quorforce::RecordingPath();
    return path.empty() ? "quorsim: nothing was recorded" : "quorsim: recorded " + path;
}

int ReplayCommand(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, true, &options)) {
        std::cerr << "usage: quorsim replay RECORDING [--svg FILE] [--csv FILE]\n";
        return 2;
    }
    quorforce::ReadRecordingResult recording;
    if (!Load(options.recording, &recording)) return 1;
    const ReplayOutcome outcome = Replay(recording);
    if (!WriteFiles(options, outcome.log, "quorsim replay: " + FileName(options.recording)))
        return 1;
    if (outcome.stoppedAtLine != 0)
        std::cout << "the recording dropped " << outcome.dropped << " lines at line "
                  << outcome.stoppedAtLine << ": replayed up to there\n";
    if (outcome.notReplayed != 0)
        std::cout << outcome.notReplayed
                  << " feature reports came from the control exports and were not replayed\n";
    if (outcome.notSent != 0)
        std::cout << outcome.notSent
                  << " reports were not sent in the recording (the device was busy) and are "
                     "left out\n";
    if (!outcome.ok) {
        std::cout << "difference at " << outcome.failure << "\n";
        std::cout << outcome.identical << " of " << outcome.compared
                  << " reports identical before it\n";
        return 1;
    }
    std::cout << outcome.identical << " of " << outcome.compared << " reports identical\n";
    return 0;
}

int DoctorCommand(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, false, &options)) {
        std::cerr << "usage: quorsim doctor RECORDING [--svg FILE]\n";
        return 2;
    }
    quorforce::ReadRecordingResult recording;
    if (!Load(options.recording, &recording)) return 1;
    std::cout << Diagnose(recording);
    const RunLog log = RecordedRun(recording);
    return WriteFiles(options, log, "quorsim doctor: " + FileName(options.recording)) ? 0 : 1;
}

}  // namespace quorsim
