// Where the benchmarks find what the build made: the build folder of the running benchmark
// program (its programs in bin/, the voice effect plug-ins in bin/effects/, the test plug-ins in
// tests/plugins/).
#pragma once

#include <string>

// The build folder, ending in '/'.
std::string BenchBuildFolder();
