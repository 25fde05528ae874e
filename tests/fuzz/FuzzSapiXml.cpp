// The Speech API XML to SSML translation on any text, as markup and as plain
// text, with a voice resolver that knows one voice. The map back to the
// original must cover every SSML character and stay inside the original.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "SapiXml.h"

namespace {

using namespace lipsmith::engines;

std::size_t CodePoints(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void Check(const SsmlText& t) {
    if (t.source.size() != CodePoints(t.ssml)) std::abort();
    for (const SourceSpan& s : t.source) {
        if (s.start < 0 || s.length < 0 || s.start + s.length > t.sourceLength) std::abort();
    }
    const auto n = static_cast<std::int64_t>(t.source.size());
    for (std::int64_t pos : {std::int64_t{0}, n / 2, n - 1, n, n + 5, std::int64_t{-3}}) {
        const SourceSpan s = t.Map(pos, 4);
        if (s.start < 0 || s.length < 0 || s.start + s.length > t.sourceLength) std::abort();
        (void)t.SentenceLength(static_cast<std::int32_t>(pos));
        (void)t.Emphasized(static_cast<std::int32_t>(pos));
    }
    for (std::size_t i = 0; i < t.marks.size(); ++i) {
        if (MarkIndex(MarkName(i)) != static_cast<long>(i)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const VoiceResolver resolve = [](std::string_view required, std::string_view) -> std::optional<VoiceChoice> {
        if (required.find("Name=") != std::string_view::npos) return VoiceChoice{"en-us", "English (America)"};
        return std::nullopt;
    };
    Check(TranslateSapiXml(text, true, resolve));
    Check(TranslateSapiXml(text, false, resolve));
    return 0;
}
