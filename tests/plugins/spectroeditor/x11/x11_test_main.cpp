// The main of the editor tests on the private X server of VOXWARP_X_TEST_DIR
// (scripts/x-test-server.sh), whose "display" and "xauthority" files say how to reach it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // the build lists the tests without a display
    const std::string dir = VOXWARP_X_TEST_DIR;
    std::string display;
    std::getline(std::ifstream(dir + "/display"), display);
    if (display.empty()) {
        std::fprintf(stderr, "no private X server in %s (scripts/x-test-server.sh start)\n",
                     dir.c_str());
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("XAUTHORITY", (dir + "/xauthority").c_str(), 1);
    return RUN_ALL_TESTS();
}
