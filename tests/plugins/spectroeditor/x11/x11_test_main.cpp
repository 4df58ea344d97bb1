// The main of the editor tests on the private X server of VOXWARP_X_TEST_DIR
// (scripts/x-test-server.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "atspi_driver.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // the build lists the tests without a display
    std::string error;
    if (!testsupport::UseXTestServer(VOXWARP_X_TEST_DIR, error)) {
        std::fprintf(stderr, "no private X server: %s\n", error.c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
