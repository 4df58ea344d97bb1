#include "routing/osci_publisher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "ipc_test_env.h"
#include "platform/kobjects.h"

namespace {

class OsciPublication : public ::testing::Test {
protected:
    void SetUp() override {
        ipctest::UseTestNamespace();
        ASSERT_TRUE(publisher_.Create());
        ASSERT_EQ(reader_.Open(kOsciBlockName, kShmAccessRead), kShmSuccess);
        event_ = platform::NamedEvent::Open(kOsciEventName);
        ASSERT_NE(event_, nullptr);
    }
    OsciPublisher publisher_;
    ShareMem reader_;
    std::unique_ptr<platform::NamedEvent> event_;
};

TEST_F(OsciPublication, BlockCarriesCountAndSamplesAndWakesTheReader) {
    std::vector<std::int16_t> block(1102);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::int16_t>(i * 7 - 3000);
    }
    std::atomic<bool> woken{false};
    std::thread waiter([&] {
        woken = platform::WaitForObject(*event_, 5000).status == platform::WaitStatus::Signalled;
    });
    // The pulse wakes only a waiter that waits already; publish until it has been seen.
    for (int i = 0; i < 500 && !woken; ++i) {
        ASSERT_TRUE(publisher_.Publish(block.data(), 2204));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    waiter.join();
    EXPECT_TRUE(woken);

    std::uint32_t count = 0;
    std::vector<std::int16_t> read(1102);
    ASSERT_EQ(reader_.ReadAt(&count, 4, 0), kShmSuccess);
    ASSERT_EQ(reader_.ReadAt(read.data(), 2204, 4), kShmSuccess);
    EXPECT_EQ(count, 2204u);
    EXPECT_EQ(read, block);

    // More than the block holds is not published.
    EXPECT_FALSE(publisher_.Publish(block.data(), kOsciBlockSize));
}

TEST_F(OsciPublication, ABlockTheReaderHoldsIsSkippedWithoutWaiting) {
    std::atomic<bool> holding{false}, release{false};
    std::thread reader([&] {
        ASSERT_TRUE(reader_.Lock(1000));
        holding = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        reader_.Unlock();
    });
    while (!holding) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::int16_t samples[2] = {1, 2};
    EXPECT_FALSE(publisher_.Publish(samples, 4));
    release = true;
    reader.join();
    EXPECT_TRUE(publisher_.Publish(samples, 4));
}

} // namespace
