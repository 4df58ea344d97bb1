#include "base/debug_trace.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "captured_log.h"

TEST(DebugTrace, WritesADebugLineIntoTheLogAndToTheSink) {
    testaudio::CapturedLog log;
    std::vector<std::string> seen;
    DebugTraceSink before =
        SetDebugTraceSink([&](const std::string& text) { seen.push_back(text); });
    DebugTrace("couldn't find skin object %s", "[Osci]");
    DebugTrace("Error initializing parser from file [%s] - cause [%d]\n", "/x/Default.sdf", 2);
    SetDebugTraceSink(before);
    DebugTrace("not seen by the sink");

    EXPECT_EQ(seen, (std::vector<std::string>{
                        "couldn't find skin object [Osci]",
                        "Error initializing parser from file [/x/Default.sdf] - cause [2]"}));
    EXPECT_TRUE(log.HasLine("           debug: couldn't find skin object [Osci]"));
    EXPECT_TRUE(log.HasLine(
        "           debug: Error initializing parser from file [/x/Default.sdf] - cause [2]"));
    EXPECT_TRUE(log.HasLine("           debug: not seen by the sink"));
}
