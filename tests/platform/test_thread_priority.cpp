#include "platform/thread_priority.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

int NiceOfThisThread() {
    errno = 0;
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

} // namespace

TEST(ThreadPriority, RaisesOnlyTheCallingThread) {
    const int mainBefore = NiceOfThisThread();
    int before = 0;
    int after = 0;
    bool raised = false;
    std::thread engine([&] {
        before = NiceOfThisThread();
        raised = platform::RaiseCurrentThreadPriority();
        after = NiceOfThisThread();
    });
    engine.join();
    if (geteuid() == 0) {
        EXPECT_TRUE(raised);
        EXPECT_EQ(after, -10);
    }
    if (raised)
        EXPECT_LT(after, before);
    else
        EXPECT_EQ(after, before);
    // The other threads of the process keep their priority.
    EXPECT_EQ(NiceOfThisThread(), mainBefore);
}
