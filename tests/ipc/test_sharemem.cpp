// Shared blocks with their lock: creation and opening, bounded copies, the two lock forms and
// the error texts.
#include "ipc/sharemem.h"

#include <cstdint>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

#include "base/strtable.h"
#include "ipc_test_env.h"

namespace {

class ShareMemTest : public testing::Test {
protected:
    void SetUp() override { ipctest::UseTestNamespace(); }
    std::string Name() const {
        return std::string("Global\\PN_SHM_TEST_") +
               testing::UnitTest::GetInstance()->current_test_info()->name();
    }
};

TEST_F(ShareMemTest, SuccessAndUnknownCodesTakeTheirTextsFromTheStringTable) {
    AppStrings().Load(120);
    AppStrings().Load(141);
    EXPECT_EQ(ShmErrorText(kShmSuccess), "Success");
    EXPECT_EQ(ShmErrorText(9), "Undefined error");
    EXPECT_EQ(ShmErrorText(kShmEventFailed), "Error of crate or open event");
}

TEST_F(ShareMemTest, CopiesStayInsideTheBlock) {
    ShareMem block;
    ASSERT_EQ(block.Create(Name(), 64), kShmSuccess);
    const std::uint32_t value = 0xA1B2C3D4;
    std::uint32_t back = 0;
    EXPECT_EQ(block.WriteAt(&value, 4, 60), kShmSuccess);
    EXPECT_EQ(block.ReadAt(&back, 4, 60), kShmSuccess);
    EXPECT_EQ(back, value);

    constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();
    EXPECT_EQ(block.WriteAt(&value, 4, 61), kShmWriteViolation);
    EXPECT_EQ(block.WriteAt(&value, 4, kHuge), kShmWriteViolation);
    EXPECT_EQ(block.WriteAt(&value, kHuge, 4), kShmWriteViolation);
    EXPECT_EQ(block.ReadAt(&back, 4, 61), kShmReadViolation);
    EXPECT_EQ(block.ReadAt(&back, kHuge, 4), kShmReadViolation);

    block.Close();
    block.Close();
    EXPECT_EQ(block.WriteAt(&value, 4, 0), kShmNoView);
    EXPECT_EQ(block.ReadAt(&back, 4, 0), kShmNoView);
}

TEST_F(ShareMemTest, OpenedBlockSharesTheContent) {
    ShareMem server;
    ShareMem reader;
    ShareMem writer;
    EXPECT_EQ(reader.Open(Name(), kShmAccessRead), kShmNotFound);
    ASSERT_EQ(server.Create(Name(), 32), kShmSuccess);
    ASSERT_EQ(reader.Open(Name(), kShmAccessRead), kShmSuccess);
    ASSERT_EQ(writer.Open(Name(), kShmAccessWrite), kShmSuccess);
    EXPECT_EQ(writer.Size(), 32u);

    const char text[] = "osci";
    char back[sizeof text] = {};
    EXPECT_EQ(writer.WriteAt(text, sizeof text, 28 - sizeof text), kShmSuccess);
    EXPECT_EQ(reader.ReadAt(back, sizeof back, 28 - sizeof text), kShmSuccess);
    EXPECT_STREQ(back, "osci");
    EXPECT_EQ(reader.WriteAt(text, 1, 0), kShmWriteViolation);
    EXPECT_EQ(writer.WriteAt(text, sizeof text, 30), kShmWriteViolation);
}

TEST_F(ShareMemTest, CreateOverAnExistingBlockNeedsItLargeEnough) {
    ShareMem first;
    ASSERT_EQ(first.Create(Name(), 64), kShmSuccess);
    ShareMem second;
    EXPECT_EQ(second.Create(Name(), 128), kShmCreateFailed);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.Create(Name(), 32), kShmSuccess);
    EXPECT_EQ(second.Size(), 32u);
}

TEST_F(ShareMemTest, LockForms) {
    ShareMem owner;
    ASSERT_EQ(owner.Create(Name(), 16), kShmSuccess);
    ShareMem other;
    ASSERT_EQ(other.Open(Name(), kShmAccessWrite), kShmSuccess);
    EXPECT_FALSE(owner.Unlock()); // not held

    ASSERT_TRUE(owner.Lock());
    bool tryLock = true;
    bool waitLock = true;
    std::thread([&] {
        tryLock = other.Lock();
        waitLock = other.Lock(50);
    }).join();
    EXPECT_FALSE(tryLock);
    EXPECT_FALSE(waitLock);
    EXPECT_TRUE(owner.Unlock());

    // A thread that ends holding the lock leaves it abandoned: both forms take it.
    std::thread([&] { EXPECT_TRUE(other.Lock(kChannelLockMs)); }).join();
    EXPECT_TRUE(owner.Lock());
    EXPECT_TRUE(owner.Unlock());
    std::thread([&] { EXPECT_TRUE(other.Lock()); }).join();
    EXPECT_TRUE(owner.Lock(kChannelLockMs));
    EXPECT_TRUE(owner.Unlock());

    owner.Close();
    EXPECT_FALSE(owner.Lock());
    EXPECT_FALSE(owner.Unlock());
}

} // namespace
