// The demo host's roads: each one does what a measurement host does with one
// family of the library, prints a short summary and checks its results
// against values known from the synthesis. Each returns false on a failed
// check.
#pragma once

#include <string>

namespace demo {

bool runChannelStatistics();
bool runCombustionAnalysis(const std::string& outputDirectory);
bool runSignalRoad(const std::string& outputDirectory);
bool runGraphRoad(const std::string& outputDirectory);
bool runPowerQualityRoad(const std::string& outputDirectory);

}  // namespace demo
