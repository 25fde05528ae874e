#include "Protocol.h"

#include <cstring>
#include <type_traits>

namespace lipsmith::tts::wire {

namespace {

class Writer {
public:
    explicit Writer(Kind kind) {
        out_.resize(kLengthBytes);
        U8(static_cast<std::uint8_t>(kind));
    }
    void U8(std::uint8_t v) { out_ += static_cast<char>(v); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void U64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void Str(const std::string& s) {
        U32(static_cast<std::uint32_t>(s.size()));
        out_ += s;
    }
    std::string Finish() {
        const std::uint32_t length = static_cast<std::uint32_t>(out_.size() - kLengthBytes);
        for (int i = 0; i < 4; ++i) out_[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        return std::move(out_);
    }

private:
    std::string out_;
};

class Reader {
public:
    Reader(const char* data, std::size_t size) : p_(data), left_(size) {}
    bool U8(std::uint8_t& v) {
        if (left_ < 1) return false;
        v = static_cast<std::uint8_t>(*p_);
        Skip(1);
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (left_ < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(p_[i])) << (8 * i);
        Skip(4);
        return true;
    }
    bool U64(std::uint64_t& v) {
        if (left_ < 8) return false;
        v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p_[i])) << (8 * i);
        Skip(8);
        return true;
    }
    bool I32(std::int32_t& v) {
        std::uint32_t u;
        if (!U32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool I64(std::int64_t& v) {
        std::uint64_t u;
        if (!U64(u)) return false;
        v = static_cast<std::int64_t>(u);
        return true;
    }
    bool Str(std::string& s) {
        std::uint32_t n;
        if (!U32(n) || n > left_) return false;
        s.assign(p_, n);
        Skip(n);
        return true;
    }
    bool AtEnd() const { return left_ == 0; }

private:
    void Skip(std::size_t n) {
        p_ += n;
        left_ -= n;
    }
    const char* p_;
    std::size_t left_;
};

bool TakesText(Method m) {
    return m == Method::Speak || m == Method::SetToWaveMode || m == Method::SpeechReco ||
           m == Method::SetSpeechWaveFile;
}

void EncodeBody(Writer& w, const Hello& f) {
    w.U32(f.magic);
    w.U32(f.version);
}
void EncodeBody(Writer& w, const Welcome& f) {
    w.U32(f.version);
    w.U64(f.objectId);
    w.U64(f.token);
}
void EncodeBody(Writer& w, const AttachNotify& f) {
    w.U64(f.objectId);
    w.U64(f.token);
}
void EncodeBody(Writer& w, const Attached& f) { w.U32(static_cast<std::uint32_t>(f.result)); }
void EncodeBody(Writer& w, const Call& f) {
    w.U32(f.callId);
    w.U8(static_cast<std::uint8_t>(f.method));
    if (TakesText(f.method)) w.Str(f.text);
    if (f.method == Method::Speak) w.U32(f.flags);
    if (f.method == Method::SetNotifyHWND) w.U64(static_cast<std::uint64_t>(f.hwnd));
}
void EncodeBody(Writer& w, const Reply& f) {
    w.U32(f.callId);
    w.U32(static_cast<std::uint32_t>(f.result));
}
void EncodeBody(Writer& w, const Notify& f) {
    w.U32(f.seq);
    w.U32(f.hwnd);
    w.U32(f.message);
    w.U64(f.wParam);
    w.U64(static_cast<std::uint64_t>(f.lParam));
    w.U8(f.hasText ? 1 : 0);
    if (f.hasText) w.Str(f.text);
}
void EncodeBody(Writer& w, const Ack& f) {
    w.U32(f.seq);
    w.U64(static_cast<std::uint64_t>(f.result));
}

template <class T>
constexpr Kind KindOf() {
    if constexpr (std::is_same_v<T, Hello>) return Kind::Hello;
    else if constexpr (std::is_same_v<T, Welcome>) return Kind::Welcome;
    else if constexpr (std::is_same_v<T, AttachNotify>) return Kind::AttachNotify;
    else if constexpr (std::is_same_v<T, Attached>) return Kind::Attached;
    else if constexpr (std::is_same_v<T, Call>) return Kind::Call;
    else if constexpr (std::is_same_v<T, Reply>) return Kind::Reply;
    else if constexpr (std::is_same_v<T, Notify>) return Kind::Notify;
    else return Kind::Ack;
}

// Decodes the body of one frame; false when it does not match its kind exactly.
bool DecodeBody(Kind kind, Reader& r, Frame& out) {
    switch (kind) {
        case Kind::Hello: {
            Hello f;
            if (!r.U32(f.magic) || !r.U32(f.version)) return false;
            out = f;
            break;
        }
        case Kind::Welcome: {
            Welcome f;
            if (!r.U32(f.version) || !r.U64(f.objectId) || !r.U64(f.token)) return false;
            out = f;
            break;
        }
        case Kind::AttachNotify: {
            AttachNotify f;
            if (!r.U64(f.objectId) || !r.U64(f.token)) return false;
            out = f;
            break;
        }
        case Kind::Attached: {
            Attached f;
            if (!r.I32(f.result)) return false;
            out = f;
            break;
        }
        case Kind::Call: {
            Call f;
            std::uint8_t method;
            if (!r.U32(f.callId) || !r.U8(method)) return false;
            if (method < 1 || method > 11) return false;
            f.method = static_cast<Method>(method);
            if (TakesText(f.method) && !r.Str(f.text)) return false;
            if (f.method == Method::Speak && !r.U32(f.flags)) return false;
            if (f.method == Method::SetNotifyHWND && !r.I64(f.hwnd)) return false;
            out = f;
            break;
        }
        case Kind::Reply: {
            Reply f;
            if (!r.U32(f.callId) || !r.I32(f.result)) return false;
            out = f;
            break;
        }
        case Kind::Notify: {
            Notify f;
            std::uint8_t hasText;
            if (!r.U32(f.seq) || !r.U32(f.hwnd) || !r.U32(f.message) || !r.U64(f.wParam) ||
                !r.I64(f.lParam) || !r.U8(hasText) || hasText > 1) {
                return false;
            }
            f.hasText = hasText == 1;
            if (f.hasText && !r.Str(f.text)) return false;
            out = f;
            break;
        }
        case Kind::Ack: {
            Ack f;
            if (!r.U32(f.seq) || !r.I64(f.result)) return false;
            out = f;
            break;
        }
        default:
            return false;
    }
    return r.AtEnd();
}

}  // namespace

const char* MethodName(Method method) {
    static constexpr const char* kNames[] = {"",           "Speak",          "SetNotifyHWND",     "Stop",
                                             "IsDone",     "SetToWaveMode",  "SetToVoiceMode",    "ReleaseWaveStream",
                                             "SpeechReco", "SetSpeechWaveFile", "StopReco",       "CheckEngine"};
    const auto i = static_cast<std::size_t>(method);
    return i < std::size(kNames) ? kNames[i] : "";
}

std::string Encode(const Frame& frame) {
    return std::visit(
        [](const auto& f) {
            Writer w(KindOf<std::decay_t<decltype(f)>>());
            EncodeBody(w, f);
            return w.Finish();
        },
        frame);
}

std::size_t EncodedSize(const Call& call) {
    std::size_t size = kLengthBytes + 1 + 4 + 1;
    if (TakesText(call.method)) size += 4 + call.text.size();
    if (call.method == Method::Speak) size += 4;
    if (call.method == Method::SetNotifyHWND) size += 8;
    return size;
}

DecodeResult Decode(const char* data, std::size_t size) {
    DecodeResult result;
    if (size < kLengthBytes) return result;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    if (length == 0 || length > kMaxFrameBytes) {
        result.status = DecodeStatus::Malformed;
        result.error = length == 0 ? "empty frame" : "frame of " + std::to_string(length) + " bytes is too large";
        return result;
    }
    if (size - kLengthBytes < length) return result;
    const Kind kind = static_cast<Kind>(static_cast<unsigned char>(data[kLengthBytes]));
    Reader r(data + kLengthBytes + 1, length - 1);
    if (!DecodeBody(kind, r, result.frame)) {
        result.status = DecodeStatus::Malformed;
        result.error = "malformed frame of kind " + std::to_string(static_cast<int>(kind));
        return result;
    }
    result.status = DecodeStatus::Ok;
    result.consumed = kLengthBytes + length;
    return result;
}

DecodeResult FrameBuffer::Next() {
    DecodeResult r = Decode(bytes_.data() + start_, bytes_.size() - start_);
    if (r.status == DecodeStatus::Ok) {
        start_ += r.consumed;
        if (start_ == bytes_.size()) {
            bytes_.clear();
            start_ = 0;
        } else if (start_ > (64u << 10) && start_ * 2 > bytes_.size()) {
            bytes_.erase(0, start_);
            start_ = 0;
        }
    }
    return r;
}

}  // namespace lipsmith::tts::wire
