// The build tree's program folder (programs, lang/, shipped content), for tests that use
// what the build produced.
#pragma once

#include <string>

namespace testsupport {

// $VOXWARP_PROGRAM_DIR when set (CTest sets it), else the build tree's bin/; ends in '/'.
std::string ProgramDir();

} // namespace testsupport
