// ProcessMono runs on the audio thread: once its buffers have grown to the longest block it
// must not allocate. This program's operator new counts the allocations made on each thread.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <vector>

#include "effect/effect.h"
#include "effect_test_env.h"

namespace {
thread_local std::uint64_t tAllocations = 0;
} // namespace

// The replacements below pair malloc with free on purpose; GCC takes the inlined pair for the
// standard operators' and warns of a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Every form of new and delete of the program goes through these, so that memory from any of
// them (plug-ins loaded into the program use them too) is given back by the matching one.
void* operator new(std::size_t size) {
    ++tAllocations;
    if (void* memory = std::malloc(size > 0 ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++tAllocations;
    return std::malloc(size > 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

namespace {

TEST(EffectProcessing, SteadyStateBlocksDoNotAllocate) {
    PnAudioEffect effect;
    ASSERT_EQ(effect.Load(testeffect::TestPluginPath("two_inputs"), true), kVstSuccess);
    std::vector<std::int16_t> block(1102, 100);
    effect.ProcessMono(block.data(), 2204); // grows the buffers
    std::uint64_t before = tAllocations;
    for (std::uint32_t bytes : {2204u, 2000u, 7u, 0u, 2204u})
        effect.ProcessMono(block.data(), bytes);
    EXPECT_EQ(tAllocations, before);
    effect.ProcessMono(block.data(), 1102 * 2);
    EXPECT_EQ(tAllocations, before);
}

} // namespace
