// Translation of Speech API XML (the markup the script parser hands to the
// voice) into SSML for espeak-ng, keeping a map from every SSML character
// back to the characters of the original text so that word and sentence
// positions can be reported in the caller's terms.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lipsmith::engines {

// Where an SSML character came from: a span of code points of the original.
struct SourceSpan {
    std::int32_t start = 0;
    std::int32_t length = 0;
};

// A point of the text the voice must act on when the engine reaches it.
// Silences are marks too: espeak-ng's own pauses stretch and shrink with the
// speaking rate (and a leading one is dropped), so the voice writes each
// silence itself, exactly as long as asked, where its mark is reported.
struct SsmlMark {
    enum class Kind { Bookmark, VoiceChange, Silence };
    Kind kind = Kind::Bookmark;
    std::string text;  // the bookmark's mark (UTF-8), or the new voice's name
    long ms = 0;       // a silence's length in milliseconds
};

struct SsmlText {
    std::string ssml;                       // UTF-8, one <speak> element
    std::vector<SourceSpan> source;         // one entry per code point of `ssml`
    std::vector<SsmlMark> marks;            // mark i is named MarkName(i) in `ssml`
    std::vector<std::int32_t> sentenceEnds; // ascending; positions just past a sentence's end
    std::vector<SourceSpan> emphasis;       // ascending spans of original text inside <emph>
    std::int32_t sourceLength = 0;          // code points of the original text

    // Original span of the SSML code points [pos, pos + length).
    SourceSpan Map(std::int64_t pos, std::int64_t length) const;
    // Code points from `start` to the end of its sentence (or of the text).
    std::int32_t SentenceLength(std::int32_t start) const;
    // True when the original character at `pos` is inside <emph>.
    bool Emphasized(std::int32_t pos) const;
};

std::string MarkName(std::size_t index);
// Index of a mark named by MarkName, or -1.
long MarkIndex(std::string_view name);

struct VoiceChoice {
    std::string engineName;   // what espeak-ng's <voice name="..."> takes
    std::string displayName;  // the token's Name
};
// Picks a voice for `required` and `optional` ("Key=Value;..."), or nothing to
// keep the current one.
using VoiceResolver =
    std::function<std::optional<VoiceChoice>(std::string_view required, std::string_view optional)>;

// isXml false: the text is spoken literally (markup characters included).
// Malformed markup never fails: what cannot be read as a tag is spoken as text.
SsmlText TranslateSapiXml(std::string_view text, bool isXml, const VoiceResolver& resolveVoice);

// Speech API rate (-10..10, clamped) as a percentage of espeak-ng's normal
// 175 words per minute; each step is a factor of 3^(1/10), kept within
// espeak-ng's 80..450 words per minute.
int RatePercent(int rate);
// Speech API middle pitch (-10..10, clamped) as espeak-ng pitch 0..100.
int EspeakPitch(int middle);

}  // namespace lipsmith::engines
