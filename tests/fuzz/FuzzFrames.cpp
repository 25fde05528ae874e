// The server's frame decoder on any bytes: the first frame alone, then the
// whole input as a stream cut at arbitrary points. Every frame decoded is
// encoded again and must decode to the same size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Protocol.h"

namespace {

void CheckRoundTrip(const lipsmith::tts::wire::Frame& frame) {
    const std::string again = lipsmith::tts::wire::Encode(frame);
    const lipsmith::tts::wire::DecodeResult r = lipsmith::tts::wire::Decode(again.data(), again.size());
    if (r.status != lipsmith::tts::wire::DecodeStatus::Ok || r.consumed != again.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lipsmith::tts::wire;
    const char* bytes = reinterpret_cast<const char*>(data);
    const DecodeResult first = Decode(bytes, size);
    if (first.status == DecodeStatus::Ok) {
        if (first.consumed == 0 || first.consumed > size) std::abort();
        CheckRoundTrip(first.frame);
    }
    // The same bytes arriving in pieces of 1, 2, 3 ... bytes.
    FrameBuffer buffer;
    std::size_t at = 0, piece = 1;
    while (at < size) {
        const std::size_t n = piece < size - at ? piece : size - at;
        buffer.Append(bytes + at, n);
        at += n;
        ++piece;
        for (;;) {
            const DecodeResult r = buffer.Next();
            if (r.status == DecodeStatus::Ok) {
                CheckRoundTrip(r.frame);
                continue;
            }
            if (r.status == DecodeStatus::Malformed) return 0;
            break;
        }
    }
    return 0;
}
