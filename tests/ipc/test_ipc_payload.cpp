// The channel block's layout and payload encoding, on plain memory.
#include "ipc/ipc_payload.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "command_cases.h"

namespace {

// A channel block in plain memory, sized exactly so that the sanitizer sees any step past it.
struct Block {
    explicit Block(std::size_t maxPayload) : bytes(kIpcPayloadOffset + maxPayload, 0xAB) {
        payload.Attach(bytes);
        payload.Clear();
    }
    ByteList PayloadBytes() const {
        return ByteList(bytes.begin() + kIpcPayloadOffset,
                        bytes.begin() + kIpcPayloadOffset + payload.Size());
    }
    std::uint32_t StoredSize() const {
        std::uint32_t v;
        std::memcpy(&v, bytes.data() + kIpcPayloadSizeOffset, 4);
        return v;
    }
    void StoreSize(std::uint32_t v) { std::memcpy(bytes.data() + kIpcPayloadSizeOffset, &v, 4); }

    std::vector<std::uint8_t> bytes;
    IpcPayload payload;
};

TEST(IpcPayload, RequestHeaderLayout) {
    IpcHeader h = IpcHeader::Request(0x01020304, 0x0A0B0C0D);
    EXPECT_EQ(ByteList(h.Bytes().begin(), h.Bytes().end()),
              (ByteList{0, 0, 0, 0, 4, 3, 2, 1, 0, 0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A}));
    EXPECT_FALSE(h.Answered());
    EXPECT_FALSE(h.Handled());

    IpcHeader answer = h;
    answer.SetAnswered(true);
    answer.SetHandled(true);
    EXPECT_EQ(answer.Bytes()[0], 1);
    EXPECT_EQ(answer.Bytes()[9], 1);
    EXPECT_TRUE(answer.Answers(h));
    EXPECT_FALSE(h.Answers(h)); // not answered
    EXPECT_FALSE(answer.Answers(IpcHeader::Request(0x01020304, 201)));
    EXPECT_FALSE(answer.Answers(IpcHeader::Request(99, 0x0A0B0C0D)));
}

TEST(IpcPayload, FieldsAreLittleEndianWithoutGaps) {
    Block b(64);
    EXPECT_TRUE(b.payload.WriteU8(0x7F));
    EXPECT_TRUE(b.payload.WriteI32(-2));
    EXPECT_TRUE(b.payload.WriteU32(0x11223344));
    EXPECT_TRUE(b.payload.WriteString("Ab"));
    EXPECT_EQ(b.PayloadBytes(), (ByteList{0x7F, 0xFE, 0xFF, 0xFF, 0xFF, 0x44, 0x33, 0x22, 0x11, 'A',
                                          0, 'b', 0, 0, 0}));
    EXPECT_EQ(b.StoredSize(), 15u);

    EXPECT_EQ(b.payload.ReadU8(), 0x7F);
    EXPECT_EQ(b.payload.ReadI32(), -2);
    EXPECT_EQ(b.payload.ReadU32(), 0x11223344u);
    EXPECT_EQ(b.payload.ReadString(), "Ab");
    EXPECT_EQ(b.payload.ReadPosition(), 15u);
}

TEST(IpcPayload, TextsAreUtf16WithTerminator) {
    Block b(64);
    // "é😀": U+00E9 and the surrogate pair D83D DE00.
    EXPECT_TRUE(b.payload.WriteString("\xC3\xA9\xF0\x9F\x98\x80"));
    EXPECT_EQ(b.PayloadBytes(), (ByteList{0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
    EXPECT_EQ(b.payload.ReadString(), "\xC3\xA9\xF0\x9F\x98\x80");

    Block empty(8);
    EXPECT_TRUE(empty.payload.WriteString(""));
    EXPECT_EQ(empty.payload.Size(), 2u);
    EXPECT_EQ(empty.payload.ReadString(), "");
    EXPECT_EQ(empty.payload.ReadPosition(), 2u);
}

TEST(IpcPayload, ReadsStopAtThePayloadSize) {
    Block b(32);
    b.payload.WriteU32(7);
    b.payload.WriteU8(9);
    std::uint8_t buf[16] = {};
    EXPECT_EQ(b.payload.ReadData(buf, 3), 3u);
    EXPECT_EQ(b.payload.ReadData(buf, 16), 2u); // only what is left
    EXPECT_EQ(b.payload.ReadData(buf, 16), 0u); // at the end
    EXPECT_EQ(b.payload.ReadPosition(), 5u);
    EXPECT_EQ(b.payload.ReadU32(), 0u);
    EXPECT_EQ(b.payload.ReadString(), "");

    // A field cut short by the end reads its missing bytes as zero.
    b.payload.Rewind();
    b.payload.ReadU8();
    b.payload.ReadU8();
    EXPECT_EQ(b.payload.ReadI32(), 0x090000); // bytes 0, 0, 9 and a missing one
}

TEST(IpcPayload, SizeIsTheLargerOfPayloadAndWritePosition) {
    Block b(32);
    b.payload.WriteU32(1);
    b.payload.WriteU32(2);
    b.payload.Rewind();
    b.payload.WriteU8(5); // a shorter answer over the request
    EXPECT_EQ(b.payload.Size(), 8u);
    b.payload.WriteU32(6);
    b.payload.WriteU32(7);
    b.payload.WriteU32(8); // a longer one
    EXPECT_EQ(b.payload.Size(), 13u);
    b.payload.Clear();
    EXPECT_EQ(b.StoredSize(), 0u);
    EXPECT_EQ(b.payload.WritePosition(), 0u);
}

TEST(IpcPayload, TextWithoutTerminatorStaysInsideThePayload) {
    Block b(8);
    b.payload.WriteData("x\0y\0z", 5); // two units and half of a third, no zero
    b.bytes[kIpcPayloadOffset + 5] = 'q';
    EXPECT_EQ(b.payload.ReadString(), "xy");
    EXPECT_EQ(b.payload.ReadPosition(), 5u);
    EXPECT_EQ(b.payload.ReadString(), "");

    // The whole block filled with text and a stored size claiming all of it.
    Block full(6);
    std::memset(full.bytes.data() + kIpcPayloadOffset, 'a', 6);
    full.StoreSize(6);
    EXPECT_EQ(full.payload.ReadString(), "\xE6\x85\xA1\xE6\x85\xA1\xE6\x85\xA1"); // 3 × U+6161
    EXPECT_EQ(full.payload.ReadPosition(), 6u);
}

TEST(IpcPayload, StoredSizeBeyondTheBlockCountsAsItsMaximum) {
    Block b(12);
    b.StoreSize(0xFFFFFFF0u);
    EXPECT_EQ(b.payload.Size(), 12u);
    std::uint8_t buf[64];
    EXPECT_EQ(b.payload.ReadData(buf, sizeof buf), 12u);
    b.payload.Rewind();
    EXPECT_EQ(b.payload.ReadString().size(), 18u); // six units of U+ABAB, three bytes each
    EXPECT_EQ(b.payload.ReadPosition(), 12u);
}

TEST(IpcPayload, WritesBeyondTheMaximumAreRefused) {
    Block b(10);
    EXPECT_TRUE(b.payload.WriteU32(1));
    EXPECT_TRUE(b.payload.WriteU32(2));
    EXPECT_FALSE(b.payload.WriteU32(3));
    EXPECT_FALSE(b.payload.WriteString("ab"));
    EXPECT_EQ(b.payload.WritePosition(), 8u);
    EXPECT_EQ(b.payload.Size(), 8u);
    EXPECT_EQ(b.bytes[kIpcPayloadOffset + 8], 0xAB); // untouched
    EXPECT_TRUE(b.payload.WriteString(""));
    EXPECT_EQ(b.payload.Size(), 10u);
    EXPECT_FALSE(b.payload.WriteU8(0));
    EXPECT_TRUE(b.payload.WriteData(nullptr, 0));
}

TEST(IpcPayload, BlockTooSmallForTheLayoutIsNotUsed) {
    std::vector<std::uint8_t> small(kIpcPayloadOffset - 1);
    IpcPayload p;
    EXPECT_FALSE(p.Attach(small));
    EXPECT_FALSE(p.Attached());
    EXPECT_FALSE(p.WriteU8(1));
    EXPECT_EQ(p.ReadU32(), 0u);
    EXPECT_EQ(p.Size(), 0u);

    std::vector<std::uint8_t> bare(kIpcPayloadOffset, 0);
    EXPECT_TRUE(p.Attach(bare));
    EXPECT_EQ(p.MaxPayload(), 0u);
    EXPECT_FALSE(p.WriteU8(1));
}

} // namespace
