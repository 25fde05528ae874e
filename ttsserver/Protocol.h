// The wire protocol between CTTS clients and the Lipsmith_TTS server.
//
// Every frame is: u32 length (little-endian; the bytes that follow, at most
// kMaxFrameBytes), u8 kind, payload. Integers are little-endian, strings are
// u32 byte count + UTF-8 bytes. Decoding is strict: an unknown kind, a method
// id outside 1..11, a short or overlong payload or an oversized frame is
// malformed, and the receiver drops the connection.
//
// A client opens two connections per CTTS object:
//   call channel:   Hello -> Welcome (object id and token), then Call -> Reply
//                   for each ITTS method, matched by call id;
//   notify channel: AttachNotify (object id, token) -> Attached, then the
//                   server's worker sends Notify and waits for the Ack of the
//                   same sequence number before it sends the next one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

#include "MessageQueue.h"
#include "Result.h"

namespace lipsmith::tts::wire {

inline constexpr std::uint32_t kMagic = 0x4C535454;  // "LSTT"
inline constexpr std::uint32_t kProtocolVersion = 1;
// Largest frame (kind and payload). A Speak carries one actor's text, which
// may be long, so this is generous; texts beyond it are refused by the client.
inline constexpr std::size_t kMaxFrameBytes = 16u << 20;
inline constexpr std::size_t kLengthBytes = 4;

enum class Kind : std::uint8_t {
    Hello = 1,
    Welcome = 2,
    AttachNotify = 3,
    Attached = 4,
    Call = 5,
    Reply = 6,
    Notify = 7,
    Ack = 8,
};

// ITTS methods by slot number.
enum class Method : std::uint8_t {
    Speak = 1,
    SetNotifyHWND = 2,
    Stop = 3,
    IsDone = 4,
    SetToWaveMode = 5,
    SetToVoiceMode = 6,
    ReleaseWaveStream = 7,
    SpeechReco = 8,
    SetSpeechWaveFile = 9,
    StopReco = 10,
    CheckEngine = 11,
};
const char* MethodName(Method method);

struct Hello {
    std::uint32_t magic = kMagic;
    std::uint32_t version = kProtocolVersion;
};
struct Welcome {
    std::uint32_t version = kProtocolVersion;
    std::uint64_t objectId = 0;
    std::uint64_t token = 0;
};
struct AttachNotify {
    std::uint64_t objectId = 0;
    std::uint64_t token = 0;
};
struct Attached {
    HRESULT result = S_OK;
};
// Arguments by method: Speak text + flags; SetNotifyHWND hwnd; SetToWaveMode,
// SpeechReco and SetSpeechWaveFile text; the others none.
struct Call {
    std::uint32_t callId = 0;
    Method method = Method::IsDone;
    std::string text;
    std::uint32_t flags = 0;
    std::int64_t hwnd = 0;
};
struct Reply {
    std::uint32_t callId = 0;
    HRESULT result = S_OK;
};
struct Notify {
    std::uint32_t seq = 0;
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool hasText = false;  // a bookmark: lParam is to point at this text
    std::string text;      // UTF-8
};
struct Ack {
    std::uint32_t seq = 0;
    LRESULT result = 0;
};

using Frame = std::variant<Hello, Welcome, AttachNotify, Attached, Call, Reply, Notify, Ack>;

// The whole frame, length prefix included.
std::string Encode(const Frame& frame);
// Size the encoded frame would have, without building it.
std::size_t EncodedSize(const Call& call);

enum class DecodeStatus { Ok, NeedMore, Malformed };
struct DecodeResult {
    DecodeStatus status = DecodeStatus::NeedMore;
    Frame frame;
    std::size_t consumed = 0;  // bytes of the frame, when Ok
    std::string error;         // why, when Malformed
};
// Decodes the first frame of `data`.
DecodeResult Decode(const char* data, std::size_t size);

// Bytes received on a connection, cut into frames.
class FrameBuffer {
public:
    void Append(const char* data, std::size_t size) { bytes_.append(data, size); }
    // Ok with the next frame, NeedMore, or Malformed (the stream is then useless).
    DecodeResult Next();
    std::size_t Pending() const { return bytes_.size() - start_; }

private:
    std::string bytes_;
    std::size_t start_ = 0;
};

}  // namespace lipsmith::tts::wire
