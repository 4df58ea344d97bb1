#include "routing/routing_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RoutingPlan, LayoutFollowsTheInputBufferLength) {
    const RoutingLayout standard = ComputeRoutingLayout(25);
    EXPECT_EQ(standard.blockSamples, 1102u);
    EXPECT_EQ(standard.queueLow, 3306u);
    EXPECT_EQ(standard.queueHigh, 6615u);
    EXPECT_EQ(standard.workBytes, 13224u);
    EXPECT_EQ(standard.workMs, 149u);
    EXPECT_EQ(OutputBufferCount(standard, 4), 4u);

    const RoutingLayout longer = ComputeRoutingLayout(26);
    EXPECT_EQ(longer.workMs, 155u);
    EXPECT_EQ(OutputBufferCount(longer, 4), 10u);

    EXPECT_EQ(ComputeRoutingLayout(10).workMs, 60u);

    // Past 50 ms the upper threshold is raised above the lower one.
    const RoutingLayout huge = ComputeRoutingLayout(60);
    EXPECT_GT(huge.queueHigh, huge.queueLow);
    // A configured top: taken as it is above the bottom, raised the same way below it.
    EXPECT_EQ(ComputeRoutingLayout(10, 60).queueHigh, 2646u);
    EXPECT_GT(ComputeRoutingLayout(25, 50).queueHigh, ComputeRoutingLayout(25, 50).queueLow);
}

TEST(RoutingPlan, TheFourthOverFullBlockIsDroppedAndTheCountStartsAgain) {
    const RoutingLayout layout = ComputeRoutingLayout(25);
    std::uint32_t overruns = 0;
    std::vector<OutputAction> actions;
    for (int block = 0; block < 7; ++block) {
        actions.push_back(DecideOutput(layout, layout.queueHigh + 1, 2, overruns).action);
    }
    using A = OutputAction;
    EXPECT_EQ(actions, (std::vector<A>{A::Stretch, A::Stretch, A::Stretch, A::Drop, A::Stretch,
                                       A::Stretch, A::Drop}));

    // Exactly queueHigh, or above it with one buffer queued, is in range and clears the count.
    overruns = 2;
    EXPECT_EQ(DecideOutput(layout, layout.queueHigh, 3, overruns).action, A::Keep);
    EXPECT_EQ(overruns, 0u);
    overruns = 2;
    EXPECT_EQ(DecideOutput(layout, layout.queueHigh + 500, 1, overruns).action, A::Keep);
    EXPECT_EQ(overruns, 0u);

    // Too empty: stretched up toward queueLow; the over-full count is left as it is.
    overruns = 2;
    const OutputDecision low = DecideOutput(layout, layout.queueLow - 1, 1, overruns);
    EXPECT_EQ(low.action, A::Stretch);
    EXPECT_EQ(low.target, layout.queueLow);
    EXPECT_EQ(overruns, 2u);
}

TEST(QueueSettler, AStandingExcessIsTakenOutDownToHalfABlockAboveTheBottom) {
    const RoutingLayout layout = ComputeRoutingLayout(10); // 441 samples a block, bottom 1323
    const std::uint32_t window = 100;                      // a second of 10 ms blocks
    QueueSettler settler;
    // A queue that dips to the bottom plus less than a block in every window is left alone.
    for (std::uint32_t block = 0; block < 3 * window; ++block)
        EXPECT_EQ(settler.Observe(layout, block % 7 == 0 ? layout.queueLow + 440 : 4000), 0u);

    // Two blocks above the bottom all the time: after a window, 1.5 blocks are asked for, one
    // block at a time as the blocks lose less, never more than the queue has above the bottom.
    const std::uint32_t standing = layout.queueLow + 2 * layout.blockSamples;
    for (std::uint32_t block = 0; block + 1 < window; ++block)
        EXPECT_EQ(settler.Observe(layout, standing), 0u);
    EXPECT_EQ(settler.Observe(layout, standing), 662u);
    settler.Removed(300);
    EXPECT_EQ(settler.Observe(layout, standing), 362u);
    EXPECT_EQ(settler.Observe(layout, layout.queueLow + 100), 100u);
    settler.Removed(1000);
    EXPECT_EQ(settler.Observe(layout, standing), 0u);

    // Leaving the band forgets the window and the excess.
    settler.Reset();
    for (std::uint32_t block = 0; block + 1 < window; ++block)
        settler.Observe(layout, 2 * layout.queueLow);
    EXPECT_EQ(settler.Observe(layout, 2 * layout.queueLow), 1323u - 220u);
    settler.Reset();
    EXPECT_EQ(settler.Observe(layout, 2 * layout.queueLow), 0u);
}

} // namespace
