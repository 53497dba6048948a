#pragma once

#include <optional>
#include <string>

#include "bench/PhaseResult.h"

namespace bench {

// The figures table, in Markdown so that it pastes into the README as it is.
void printTableHeader();
// One line; ratio is the engine's rows/s over the baseline's beside it.
void printTableRow(long long rows, const std::string& table, const std::string& branch,
                   const std::string& side, const PhaseResult& result,
                   std::optional<double> ratio);
// A progress line on stderr.
void printProgress(const std::string& what, const PhaseResult& result);

// "nproc 2, load average 1.20 0.90 0.70" for the start and end lines.
std::string machineLoad();

}  // namespace bench
