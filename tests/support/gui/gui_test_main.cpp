// The main of the control panel's test programs: one Qt application for all tests of the
// program. Built with VOXWARP_X_TEST_DIR (the folder of scripts/x-test-server.sh, with its files
// "display" and "xauthority"), on that private X server; else on the offscreen platform.
#include "child_process.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

[[maybe_unused]] std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    if (testsupport::RunChildIfRequested(argc, argv, exitCode))
        return exitCode;
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // the build lists the tests without a display
#ifdef VOXWARP_X_TEST_DIR
    {
        const char* xDir = VOXWARP_X_TEST_DIR;
        const std::string display = ReadFirstLine(std::string(xDir) + "/display");
        if (display.empty()) {
            std::fprintf(stderr, "no private X server in %s (scripts/x-test-server.sh start)\n",
                         xDir);
            return 1;
        }
        setenv("DISPLAY", display.c_str(), 1);
        setenv("XAUTHORITY", (std::string(xDir) + "/xauthority").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
#else
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
