// Frames: every kind survives encoding and decoding; anything malformed is
// rejected as such, never misread.
#include <gtest/gtest.h>

#include "Protocol.h"
#include "Utf8.h"

namespace lipsmith::tts {
namespace {

using namespace wire;

Frame RoundTrip(const Frame& f) {
    const std::string bytes = Encode(f);
    DecodeResult r = Decode(bytes.data(), bytes.size());
    EXPECT_EQ(r.status, DecodeStatus::Ok) << r.error;
    EXPECT_EQ(r.consumed, bytes.size());
    return r.frame;
}

std::string Raw(Kind kind, const std::string& body) {
    std::string out;
    const std::uint32_t length = static_cast<std::uint32_t>(body.size() + 1);
    for (int i = 0; i < 4; ++i) out += static_cast<char>((length >> (8 * i)) & 0xFF);
    out += static_cast<char>(kind);
    return out + body;
}

DecodeStatus StatusOf(const std::string& bytes) { return Decode(bytes.data(), bytes.size()).status; }

TEST(Protocol, EveryFrameKindRoundTrips) {
    Call speak{7, Method::Speak, std::string("h\xC3\xA9llo\0x", 8), 11, 0};
    auto c = std::get<Call>(RoundTrip(speak));
    EXPECT_EQ(c.callId, 7u);
    EXPECT_EQ(c.method, Method::Speak);
    EXPECT_EQ(c.text, speak.text);
    EXPECT_EQ(c.flags, 11u);

    Call hwnd{8, Method::SetNotifyHWND, "", 0, -0x123456789LL};
    EXPECT_EQ(std::get<Call>(RoundTrip(hwnd)).hwnd, -0x123456789LL);
    for (int m = 1; m <= 11; ++m) {
        Call any{1, static_cast<Method>(m), "x", 1, 2};
        EXPECT_EQ(std::get<Call>(RoundTrip(any)).method, any.method) << MethodName(any.method);
    }

    auto reply = std::get<Reply>(RoundTrip(Reply{9, E_INVALIDARG}));
    EXPECT_EQ(reply.callId, 9u);
    EXPECT_EQ(reply.result, E_INVALIDARG);

    Notify n{3, 0xABCDEF01u, 0x8004, 0xFFFF0000FFFFull, -5, true, "mark"};
    auto back = std::get<Notify>(RoundTrip(n));
    EXPECT_EQ(back.hwnd, n.hwnd);
    EXPECT_EQ(back.message, n.message);
    EXPECT_EQ(back.wParam, n.wParam);
    EXPECT_EQ(back.lParam, n.lParam);
    EXPECT_TRUE(back.hasText);
    EXPECT_EQ(back.text, "mark");

    EXPECT_EQ(std::get<Ack>(RoundTrip(Ack{4, -1})).result, -1);
    EXPECT_EQ(std::get<Welcome>(RoundTrip(Welcome{1, 2, 3})).token, 3u);
    EXPECT_EQ(std::get<AttachNotify>(RoundTrip(AttachNotify{5, 6})).objectId, 5u);
    EXPECT_EQ(std::get<Attached>(RoundTrip(Attached{E_FAIL})).result, E_FAIL);
    EXPECT_EQ(std::get<Hello>(RoundTrip(Hello{})).magic, kMagic);
    EXPECT_EQ(EncodedSize(speak), Encode(speak).size());
}

TEST(Protocol, BufferCutsFramesArrivingByteByByte) {
    const std::string stream = Encode(Reply{1, S_OK}) + Encode(Notify{2, 1, 0x8006, 5, 6, false, ""}) +
                               Encode(Call{3, Method::IsDone, "", 0, 0});
    FrameBuffer buffer;
    std::vector<Frame> frames;
    for (char c : stream) {
        buffer.Append(&c, 1);
        for (DecodeResult r = buffer.Next(); r.status == DecodeStatus::Ok; r = buffer.Next()) {
            frames.push_back(r.frame);
        }
    }
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<Reply>(frames[0]));
    EXPECT_TRUE(std::holds_alternative<Notify>(frames[1]));
    EXPECT_TRUE(std::holds_alternative<Call>(frames[2]));
    EXPECT_EQ(buffer.Pending(), 0u);
}

TEST(Protocol, MalformedFramesAreRejected) {
    // Lengths: empty, oversized (refused before the bytes arrive).
    EXPECT_EQ(StatusOf(std::string("\0\0\0\0", 4)), DecodeStatus::Malformed);
    EXPECT_EQ(StatusOf(std::string("\x01\x00\x00\x01", 4)), DecodeStatus::Malformed);
    EXPECT_EQ(StatusOf(std::string("\xFF\xFF\xFF\xFF", 4)), DecodeStatus::Malformed);
    // Unknown kinds.
    EXPECT_EQ(StatusOf(Raw(static_cast<Kind>(0), "")), DecodeStatus::Malformed);
    EXPECT_EQ(StatusOf(Raw(static_cast<Kind>(99), "abcd")), DecodeStatus::Malformed);
    // Methods outside 1..11.
    EXPECT_EQ(StatusOf(Raw(Kind::Call, std::string("\1\0\0\0\0", 5))), DecodeStatus::Malformed);
    EXPECT_EQ(StatusOf(Raw(Kind::Call, std::string("\1\0\0\0\x0C", 5))), DecodeStatus::Malformed);
    // Short, overlong and lying payloads.
    const std::string reply = Encode(Reply{1, S_OK});
    EXPECT_EQ(StatusOf(Raw(Kind::Reply, reply.substr(5, 7))), DecodeStatus::Malformed);
    EXPECT_EQ(StatusOf(Raw(Kind::Reply, reply.substr(5) + "x")), DecodeStatus::Malformed);
    EXPECT_EQ(StatusOf(Raw(Kind::Call, std::string("\1\0\0\0\x01\xFF\xFF\xFF\x7F", 9))), DecodeStatus::Malformed);
    std::string badFlag = Encode(Notify{1, 1, 1, 1, 1, false, ""});
    badFlag.back() = 2;
    EXPECT_EQ(StatusOf(badFlag), DecodeStatus::Malformed);
    // Incomplete is not malformed.
    EXPECT_EQ(StatusOf(reply.substr(0, reply.size() - 1)), DecodeStatus::NeedMore);
    EXPECT_EQ(StatusOf(reply.substr(0, 2)), DecodeStatus::NeedMore);
}

TEST(Utf8, ConvertsBothWaysAndReplacesBadBytes) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8ToWide(text), std::wstring(L"a\u00E9\u20AC\U0001F600"));
    EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
    EXPECT_EQ(CountCodePoints(text), 4u);
    EXPECT_EQ(Utf8ToWide("\xFF" "a\xC3"), std::wstring(L"\uFFFDa\uFFFD"));
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), std::wstring(L"\uFFFD\uFFFD"));  // overlong
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), std::wstring(L"\uFFFD\uFFFD\uFFFD"));  // surrogate
    EXPECT_EQ(CountCodePoints("\xE2\x82"), 2u);
}

}  // namespace
}  // namespace lipsmith::tts
