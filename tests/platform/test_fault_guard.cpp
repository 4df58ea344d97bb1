#include "platform/fault_guard.h"

#include <csignal>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>

namespace {

volatile std::uintptr_t gAddress = 0;
volatile int gDivisor = 0;
volatile int gNoDepth = -1;
volatile int gQuotient = 0;

__attribute__((noinline, no_sanitize_address, no_sanitize_undefined)) void
WriteTo(std::uintptr_t address) {
    *reinterpret_cast<volatile int*>(address) = 1;
}

__attribute__((noinline, no_sanitize_address, no_sanitize_undefined)) int
ReadFrom(std::uintptr_t address) {
    return *reinterpret_cast<volatile int*>(address);
}

__attribute__((noinline, no_sanitize_undefined)) int Divide(int value) {
    return value / gDivisor;
}

TEST(FaultGuard, ReturnsTrueWhenTheBodyReturns) {
    FaultRecord fault;
    int calls = 0;
    auto body = [&calls] { ++calls; };
    EXPECT_TRUE(platform::CallGuarded(body, fault));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(fault.code, 0u);
}

TEST(FaultGuard, AccessViolationsAreCaughtWithDirectionAndAddress) {
    FaultRecord fault;
    auto write = [] { WriteTo(gAddress + 16); };
    EXPECT_FALSE(platform::CallGuarded(write, fault));
    EXPECT_EQ(fault.code, faultcode::kAccessViolation);
    EXPECT_EQ(fault.parameterCount, 2u);
    EXPECT_EQ(fault.parameters[0], 1u);
    EXPECT_EQ(fault.parameters[1], 16u);

    auto read = [] { ReadFrom(gAddress + 8); };
    EXPECT_FALSE(platform::CallGuarded(read, fault));
    EXPECT_EQ(fault.parameters[0], 0u);
    EXPECT_EQ(fault.parameters[1], 8u);
}

TEST(FaultGuard, IntegerDivisionByZeroIsCaught) {
    FaultRecord fault;
    auto body = [] { gQuotient = Divide(7); };
    EXPECT_FALSE(platform::CallGuarded(body, fault));
    EXPECT_EQ(fault.code, faultcode::kIntDivideByZero);
}

TEST(FaultGuard, GuardsNestAndStayUsableAfterAFault) {
    FaultRecord inner;
    FaultRecord outer;
    bool innerResult = true;
    bool afterInner = false;
    auto body = [&] {
        auto faulting = [] { WriteTo(gAddress); };
        innerResult = platform::CallGuarded(faulting, inner);
        afterInner = true;
    };
    EXPECT_TRUE(platform::CallGuarded(body, outer));
    EXPECT_FALSE(innerResult);
    EXPECT_TRUE(afterInner);
    // The signal is unblocked again: a second fault is caught as well.
    for (int i = 0; i < 3; ++i) {
        auto faulting = [] { WriteTo(gAddress); };
        EXPECT_FALSE(platform::CallGuarded(faulting, outer));
    }
}

TEST(FaultGuard, WorksOnEveryThread) {
    bool caught = false;
    std::thread worker([&caught] {
        FaultRecord fault;
        auto faulting = [] { WriteTo(gAddress); };
        caught =
            !platform::CallGuarded(faulting, fault) && fault.code == faultcode::kAccessViolation;
    });
    worker.join();
    EXPECT_TRUE(caught);
}

// Each level keeps a page of its own stack in use.
__attribute__((noinline, no_sanitize_address)) int Recurse(int depth) {
    volatile char page[4096];
    page[0] = static_cast<char>(depth);
    if (depth == gNoDepth)
        return 0;
    return Recurse(depth + 1) + page[0];
}

TEST(FaultGuard, StackOverflowIsCaught) {
    bool caught = false;
    std::thread worker([&caught] {
        FaultRecord fault;
        auto body = [] { Recurse(0); };
        caught = !platform::CallGuarded(body, fault) && fault.code == faultcode::kStackOverflow;
    });
    worker.join();
    EXPECT_TRUE(caught);
}

} // namespace
