// What quorsim shows of a run: CSV of the reports (with the driver's answers as comment
// lines), an SVG plot of the two channels over time, and a short summary.
#pragma once

#include <ostream>
#include <string>

#include "tools/quorsim/simulator.h"

namespace quorsim {

void WriteCsv(const RunLog& log, std::ostream& out);
void WriteSvg(const RunLog& log, const std::string& title, std::ostream& out);
std::string Summary(const RunLog& log);
// The first simulated wheel's true position each ms, as a hand trace file reads it.
bool WriteTrace(const RunLog& log, const std::string& path);

}  // namespace quorsim
