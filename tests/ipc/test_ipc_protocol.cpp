// The server's command table over plain memory: request bytes in, handler calls and answer
// bytes out.
#include <cstring>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "command_cases.h"
#include "ipc/ipc_command.h"
#include "ipc/pnipc_srv.h"
#include "recording_handlers.h"

namespace {

constexpr std::uint32_t kClientPid = 0x00012345;

// A channel block holding one request as a client leaves it.
class ServedBlock {
public:
    explicit ServedBlock(std::size_t maxPayload = kIpcMaxPayload)
        : bytes_(kIpcPayloadOffset + maxPayload, 0) {
        payload_.Attach(bytes_);
    }

    void PutRequest(std::uint32_t code, const ByteList& fields, std::uint32_t size) {
        IpcHeader h = IpcHeader::Request(kClientPid, code);
        h.Bytes()[10] = 0x5A; // reserved bytes come back as they went
        h.Bytes()[11] = 0xA5;
        std::memcpy(bytes_.data(), h.Bytes().data(), kIpcHeaderSize);
        std::memcpy(bytes_.data() + kIpcPayloadSizeOffset, Le32(size).data(), 4);
        if (!fields.empty())
            std::memcpy(bytes_.data() + kIpcPayloadOffset, fields.data(), fields.size());
    }
    void PutRequest(std::uint32_t code, const ByteList& fields) {
        PutRequest(code, fields, static_cast<std::uint32_t>(fields.size()));
    }

    IpcHeader Serve(VoiceServerHandlers& handlers,
                    std::span<const IpcCommand> table = ServerCommandTable()) {
        IpcHeader answer = RunIpcCommand(payload_, table, handlers);
        payload_.WriteHeader(answer);
        return answer;
    }

    ByteList Header() const { return ByteList(bytes_.begin(), bytes_.begin() + 16); }
    std::uint32_t Size() const { return payload_.Size(); }
    ByteList Payload() const {
        return ByteList(bytes_.begin() + kIpcPayloadOffset,
                        bytes_.begin() + kIpcPayloadOffset + payload_.Size());
    }

private:
    std::vector<std::uint8_t> bytes_;
    IpcPayload payload_;
};

ByteList AnsweredHeader(std::uint32_t code, bool handled) {
    return Cat({{1, 0, 0, 0},
                Le32(kClientPid),
                {0, std::uint8_t(handled ? 1 : 0), 0x5A, 0xA5},
                Le32(code)});
}

TEST(IpcProtocol, EveryCommandReachesItsHandler) {
    for (const CommandCase& c : AllCommandCases()) {
        SCOPED_TRACE(c.call);
        RecordingHandlers handlers;
        ServedBlock block;
        block.PutRequest(c.code, c.request);
        block.Serve(handlers);
        EXPECT_EQ(handlers.Calls(), std::vector<std::string>{c.call});
        EXPECT_EQ(block.Header(), AnsweredHeader(c.code, true));
    }
}

TEST(IpcProtocol, TableServesEachCodeOnce) {
    std::vector<std::uint32_t> codes;
    for (const IpcCommand& entry : ServerCommandTable())
        codes.push_back(entry.code);
    std::vector<std::uint32_t> expected;
    for (const CommandCase& c : AllCommandCases())
        expected.push_back(c.code);
    EXPECT_EQ(codes, expected);
}

TEST(IpcProtocol, SrvGetErrorsAnswersCountAndTexts) {
    RecordingHandlers handlers;
    handlers.errors = {"No file", "\xC3\x9C"}; // "Ü"
    ServedBlock block;
    block.PutRequest(kCmdSrvGetErrors, {});
    block.Serve(handlers);
    EXPECT_EQ(block.Payload(), Cat({Le32(2), AsciiZ("No file"), {0xDC, 0x00, 0, 0}}));

    // Nothing to report: n = 0.
    block.PutRequest(kCmdSrvGetErrors, {});
    block.Serve(handlers);
    EXPECT_EQ(block.Payload(), Le32(0));
}

TEST(IpcProtocol, SrvGetErrorsSendsOnlyWholeTextsThatFit) {
    RecordingHandlers handlers;
    handlers.errors = {"abc", "defg", "h"};
    ServedBlock block(4 + 8 + 6); // room for "abc" and "h" but not "defg" after "abc"
    block.PutRequest(kCmdSrvGetErrors, {});
    block.Serve(handlers);
    EXPECT_EQ(block.Payload(), Cat({Le32(1), AsciiZ("abc")}));
}

TEST(IpcProtocol, EmoticsStatusAnswersSixtyFlags) {
    RecordingHandlers handlers;
    handlers.playing[0] = true;
    handlers.playing[59] = true;
    ServedBlock block;
    block.PutRequest(kCmdEmoticsStatus, {});
    block.Serve(handlers);
    ByteList flags(60, 0);
    flags[0] = 1;
    flags[59] = 1;
    EXPECT_EQ(block.Payload(), Cat({Le32(60), flags}));
}

TEST(IpcProtocol, UnknownCodeIsAnsweredUnhandledWithPayloadUnchanged) {
    for (std::uint32_t code : {0u, 404u, 0xFFFFFFFFu}) {
        RecordingHandlers handlers;
        ServedBlock block;
        block.PutRequest(code, {1, 2, 3, 4, 5});
        block.Serve(handlers);
        EXPECT_TRUE(handlers.Calls().empty());
        EXPECT_EQ(block.Header(), AnsweredHeader(code, false));
        EXPECT_EQ(block.Payload(), (ByteList{1, 2, 3, 4, 5}));
    }
}

TEST(IpcProtocol, AnswerSizeIsTheLargerOfRequestAndAnswer) {
    RecordingHandlers handlers;
    handlers.errors = {"x"};
    ServedBlock block;
    // A request that claims 40 bytes keeps its size under a 8-byte answer.
    block.PutRequest(kCmdSrvGetErrors, ByteList(40, 0xEE));
    block.Serve(handlers);
    EXPECT_EQ(block.Size(), 40u);
    const ByteList answer = block.Payload();
    EXPECT_EQ(ByteList(answer.begin(), answer.begin() + 8), Cat({Le32(1), AsciiZ("x")}));

    // An empty request grows to the answer.
    block.PutRequest(kCmdEmoticsStatus, {});
    block.Serve(handlers);
    EXPECT_EQ(block.Size(), 64u);
}

TEST(IpcProtocol, MissingRequestFieldsReadAsZero) {
    RecordingHandlers handlers;
    ServedBlock block;
    block.PutRequest(kCmdBackSoundSetVol, {3, 0, 0, 0}); // the volume is missing
    block.Serve(handlers);
    block.PutRequest(kCmdEffectSelect, {});
    block.Serve(handlers);
    block.PutRequest(kCmdEffectSetActive, {9, 0, 0, 0}, 2); // size cuts the field
    block.Serve(handlers);
    EXPECT_EQ(handlers.Calls(),
              (std::vector<std::string>{"BackSoundSetVol(3,0)", "EffectSelect(0,)",
                                        "EffectSetActive(9)"}));
}

TEST(IpcProtocol, OversizePayloadSizeIsBoundedByTheBlock) {
    RecordingHandlers handlers;
    ServedBlock block(12);
    // A text without terminator filling the whole block, with a size far beyond it.
    block.PutRequest(kCmdEmoticSelect, Cat({{1, 0, 0, 0}, ByteList(8, 'a')}), 0x7FFFFFFF);
    block.Serve(handlers);
    ASSERT_EQ(handlers.Calls().size(), 1u);
    EXPECT_EQ(handlers.Calls()[0].substr(0, 15), "EmoticSelect(1,");
    EXPECT_EQ(handlers.Calls()[0].size(), 15u + 4 * 3 + 1); // four units of U+6161
}

void FirstStub(IpcPayload& p, VoiceServerHandlers&) {
    p.WriteU8(1);
}
void SecondStub(IpcPayload& p, VoiceServerHandlers&) {
    p.WriteU8(2);
}
void FailingStub(IpcPayload&, VoiceServerHandlers&) {
    throw std::runtime_error("handler failed");
}

TEST(IpcProtocol, FirstEntryOfACodeWins) {
    const IpcCommand table[] = {{SecondStub, 7}, {FirstStub, 5}, {SecondStub, 5}};
    RecordingHandlers handlers;
    ServedBlock block;
    block.PutRequest(5, {});
    block.Serve(handlers, table);
    EXPECT_EQ(block.Payload(), ByteList{1});
}

TEST(IpcProtocol, FailingHandlerIsAnsweredUnhandled) {
    const IpcCommand table[] = {{FailingStub, 5}};
    RecordingHandlers handlers;
    ServedBlock block;
    block.PutRequest(5, {});
    EXPECT_NO_THROW(block.Serve(handlers, table));
    EXPECT_EQ(block.Header(), AnsweredHeader(5, false));
}

} // namespace
