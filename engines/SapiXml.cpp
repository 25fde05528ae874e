#include "SapiXml.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Utf8.h"

namespace lipsmith::engines {

namespace {

constexpr int kNormalWpm = 175;
constexpr int kMinWpm = 80;
constexpr int kMaxWpm = 450;  // faster speech switches espeak-ng to a time-stretcher
constexpr long kMaxSilenceMs = 60000;

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsNameStart(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}
bool IsNameChar(char32_t c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Leading integer of a text with C atol rules, clamped to the int range.
long LeadingInt(std::string_view s) {
    std::string copy(s.substr(0, 32));
    long v = std::strtol(copy.c_str(), nullptr, 10);
    return std::clamp(v, -1000000000L, 1000000000L);
}

struct Attribute {
    std::string name;
    std::string value;  // entities decoded, UTF-8
};

struct Tag {
    enum class Kind { Start, End, Empty, Skip } kind = Kind::Skip;
    std::string name;
    std::vector<Attribute> attributes;
    std::size_t end = 0;  // index of the code point after the tag
    const std::string* Find(std::string_view attr) const {
        for (const Attribute& a : attributes) {
            if (IEquals(a.name, attr)) return &a.value;
        }
        return nullptr;
    }
};

// Decodes an entity starting at text[i] == '&'; returns its length in code
// points, 0 when it is not a well-formed entity.
std::size_t DecodeEntity(const std::u32string& text, std::size_t i, char32_t* out) {
    std::size_t j = i + 1;
    std::string body;
    while (j < text.size() && j - i <= 12 && text[j] != ';') {
        if (text[j] >= 0x80) return 0;
        body.push_back(static_cast<char>(text[j]));
        ++j;
    }
    if (j >= text.size() || text[j] != ';' || body.empty()) return 0;
    const std::size_t len = j - i + 1;
    if (body == "amp") *out = '&';
    else if (body == "lt") *out = '<';
    else if (body == "gt") *out = '>';
    else if (body == "quot") *out = '"';
    else if (body == "apos") *out = '\'';
    else if (body[0] == '#') {
        const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
        const std::string digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) return 0;
        char* endp = nullptr;
        const unsigned long v = std::strtoul(digits.c_str(), &endp, hex ? 16 : 10);
        if (*endp != '\0' || v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
        *out = static_cast<char32_t>(v);
    } else {
        return 0;
    }
    return len;
}

// Reads the tag that starts at text[i] == '<'. Kind Skip with end 0 means
// "not a tag": the '<' is text.
Tag ReadTag(const std::u32string& text, std::size_t i) {
    Tag tag;
    const std::size_t n = text.size();
    auto startsWith = [&](std::size_t at, std::u32string_view s) {
        return text.compare(at, s.size(), s) == 0;
    };
    auto skipTo = [&](std::size_t from, std::u32string_view close) -> std::size_t {
        const std::size_t p = text.find(close, from);
        return p == std::u32string::npos ? n : p + close.size();
    };
    if (startsWith(i, U"<!--")) {
        tag.end = skipTo(i + 4, U"-->");
        return tag;
    }
    if (startsWith(i, U"<?")) {
        tag.end = skipTo(i + 2, U"?>");
        return tag;
    }
    if (startsWith(i, U"<!")) {
        tag.end = skipTo(i + 2, U">");
        return tag;
    }
    std::size_t j = i + 1;
    bool isEnd = false;
    if (j < n && text[j] == '/') {
        isEnd = true;
        ++j;
    }
    if (j >= n || !IsNameStart(text[j])) return tag;  // "a < b": plain text
    std::u32string name;
    while (j < n && IsNameChar(text[j])) name.push_back(text[j++]);
    tag.name = Utf8Encode(name);
    for (;;) {
        while (j < n && IsSpace(text[j])) ++j;
        if (j >= n) return Tag{};  // unterminated: text
        if (text[j] == '>') {
            tag.kind = isEnd ? Tag::Kind::End : Tag::Kind::Start;
            tag.end = j + 1;
            return tag;
        }
        if (text[j] == '/' && j + 1 < n && text[j + 1] == '>') {
            tag.kind = isEnd ? Tag::Kind::End : Tag::Kind::Empty;
            tag.end = j + 2;
            return tag;
        }
        if (isEnd || !IsNameStart(text[j])) return Tag{};
        std::u32string attrName;
        while (j < n && IsNameChar(text[j])) attrName.push_back(text[j++]);
        while (j < n && IsSpace(text[j])) ++j;
        if (j >= n || text[j] != '=') return Tag{};
        ++j;
        while (j < n && IsSpace(text[j])) ++j;
        if (j >= n || (text[j] != '"' && text[j] != '\'')) return Tag{};
        const char32_t quote = text[j++];
        std::u32string value;
        while (j < n && text[j] != quote) {
            char32_t c = text[j];
            std::size_t len = 1;
            if (c == '&') {
                char32_t decoded;
                if (std::size_t e = DecodeEntity(text, j, &decoded)) {
                    c = decoded;
                    len = e;
                }
            }
            value.push_back(c);
            j += len;
        }
        if (j >= n) return Tag{};
        ++j;
        tag.attributes.push_back({Utf8Encode(attrName), Utf8Encode(value)});
    }
}

// What the markup has set at a point of the text.
struct State {
    int rate = 0;
    int pitch = 0;
    int volume = 100;
    bool emphasis = false;
    bool spell = false;
    std::string voice;  // engine name; empty = the voice the job starts with
    std::string voiceName;
};

class Translator {
public:
    Translator(std::u32string text, const VoiceResolver& resolve) : text_(std::move(text)), resolve_(resolve) {}

    SsmlText Run(bool isXml) {
        out_.sourceLength = static_cast<std::int32_t>(text_.size());
        lastText_ = LastTextPosition(isXml);
        Emit("<speak>", 0, 0);
        std::size_t i = 0;
        while (i < text_.size()) {
            if (isXml && text_[i] == '<') {
                Tag tag = ReadTag(text_, i);
                if (tag.end > i) {
                    Handle(tag, i);
                    i = tag.end;
                    continue;
                }
            }
            i = TextChar(i, isXml);
        }
        FlushSentence(static_cast<std::int32_t>(text_.size()));
        const auto at = static_cast<std::int32_t>(text_.size());
        CloseLayers(0, at);
        Emit("</speak>", at, 0);
        return std::move(out_);
    }

private:
    // Position of the last character that is neither markup nor white space.
    std::int32_t LastTextPosition(bool isXml) const {
        std::int32_t last = -1;
        std::size_t i = 0;
        while (i < text_.size()) {
            if (isXml && text_[i] == '<') {
                const Tag tag = ReadTag(text_, i);
                if (tag.end > i) {
                    i = tag.end;
                    continue;
                }
            }
            if (!IsSpace(text_[i])) last = static_cast<std::int32_t>(i);
            ++i;
        }
        return last;
    }

    struct Open {
        std::string name;
        State saved;
    };
    enum Layer { kVoice, kProsody, kEmphasis, kSpell, kLayers };

    void Emit(std::string_view ascii, std::int32_t start, std::int32_t length) {
        out_.ssml.append(ascii);
        out_.source.insert(out_.source.end(), ascii.size(), SourceSpan{start, length});
    }
    // espeak-ng 1.51 misreads a "." followed by a space or by markup: it
    // loses the next <mark> and counts positions one too far from there on.
    // A line break after the "." reads correctly and sounds the same, so
    // one goes there whenever more text follows.
    void BreakAfterPeriod(std::int32_t at) {
        if (!afterPeriod_) return;
        afterPeriod_ = false;
        if (at < lastText_) Emit("\n", at, 0);
    }
    void EmitTag(std::string_view ascii, std::int32_t start, std::int32_t length) {
        BreakAfterPeriod(start);
        Emit(ascii, start, length);
    }
    void EmitChar(char32_t c, std::int32_t start, std::int32_t length) {
        switch (c) {
            case '&': Emit("&amp;", start, length); return;
            case '<': Emit("&lt;", start, length); return;
            case '>': Emit("&gt;", start, length); return;
            default: break;
        }
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') c = ' ';
        out_.ssml += Utf8Encode(std::u32string(1, c));
        out_.source.push_back({start, length});
    }
    void EmitAttr(std::string_view value, std::int32_t start, std::int32_t length) {
        for (char c : value) {
            switch (c) {
                case '&': Emit("&amp;", start, length); break;
                case '<': Emit("&lt;", start, length); break;
                case '"': Emit("&quot;", start, length); break;
                default: {
                    // Continuation bytes belong to the code point already mapped.
                    const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
                    out_.ssml.push_back(c);
                    if (!continuation) out_.source.push_back({start, length});
                }
            }
        }
    }

    bool LayerOn(const State& s, int layer) const {
        switch (layer) {
            case kVoice: return !s.voice.empty();
            case kProsody: return s.rate != 0 || s.pitch != 0 || s.volume != 100;
            case kEmphasis: return s.emphasis;
            default: return s.spell;
        }
    }
    bool LayerSame(const State& a, const State& b, int layer) const {
        switch (layer) {
            case kVoice: return a.voice == b.voice;
            case kProsody: return a.rate == b.rate && a.pitch == b.pitch && a.volume == b.volume;
            case kEmphasis: return a.emphasis == b.emphasis;
            default: return a.spell == b.spell;
        }
    }
    void CloseLayers(int from, std::int32_t at) {
        for (int layer = kLayers - 1; layer >= from; --layer) {
            if (!LayerOn(emitted_, layer)) continue;
            static constexpr std::string_view kClose[] = {"</voice>", "</prosody>", "</emphasis>", "</say-as>"};
            EmitTag(kClose[layer], at, 0);
            ResetLayer(emitted_, layer);
        }
    }
    static void ResetLayer(State& s, int layer) {
        const State none;
        switch (layer) {
            case kVoice: s.voice = none.voice; break;
            case kProsody: s.rate = none.rate, s.pitch = none.pitch, s.volume = none.volume; break;
            case kEmphasis: s.emphasis = false; break;
            default: s.spell = false; break;
        }
    }
    int FirstDifferentLayer() const {
        for (int layer = 0; layer < kLayers; ++layer) {
            if (!LayerSame(emitted_, state_, layer)) return layer;
        }
        return kLayers;
    }
    // Before white space: elements that ended are closed at once, new ones
    // wait for the next word.
    void SyncClose(std::int32_t at) { CloseLayers(FirstDifferentLayer(), at); }
    // Brings the open SSML elements in line with the state before text.
    void Sync(std::int32_t at) {
        const int first = FirstDifferentLayer();
        if (first == kLayers) return;
        CloseLayers(first, at);
        for (int layer = first; layer < kLayers; ++layer) {
            if (!LayerOn(state_, layer)) continue;
            switch (layer) {
                case kVoice:
                    EmitTag("<voice name=\"", at, 0);
                    EmitAttr(state_.voice, at, 0);
                    Emit("\">", at, 0);
                    break;
                case kProsody:
                    EmitTag("<prosody rate=\"" + std::to_string(RatePercent(state_.rate)) + "%\" pitch=\"" +
                             std::to_string(EspeakPitch(state_.pitch)) + "\" volume=\"" +
                             std::to_string(state_.volume) + "\">",
                         at, 0);
                    break;
                case kEmphasis: EmitTag("<emphasis>", at, 0); break;
                default: EmitTag("<say-as interpret-as=\"characters\">", at, 0); break;
            }
        }
        emitted_ = state_;
    }

    void AddMark(SsmlMark mark, std::int32_t start, std::int32_t length) {
        EmitTag("<mark name=\"" + MarkName(out_.marks.size()) + "\"/>", start, length);
        out_.marks.push_back(std::move(mark));
    }

    void SetVoice(const State& next, std::int32_t start, std::int32_t length) {
        const bool changed = next.voice != state_.voice;
        state_.voice = next.voice;
        state_.voiceName = next.voiceName;
        if (changed) AddMark({SsmlMark::Kind::VoiceChange, next.voiceName}, start, length);
    }

    // Applies what a start or empty tag sets.
    void Apply(const Tag& tag, std::int32_t start, std::int32_t length) {
        const std::string& n = tag.name;
        if (IEquals(n, "rate")) {
            if (const std::string* v = tag.Find("absspeed")) state_.rate = std::clamp<long>(LeadingInt(*v), -10, 10);
            if (const std::string* v = tag.Find("speed"))
                state_.rate = std::clamp<long>(state_.rate + LeadingInt(*v), -10, 10);
        } else if (IEquals(n, "pitch")) {
            if (const std::string* v = tag.Find("absmiddle")) state_.pitch = std::clamp<long>(LeadingInt(*v), -10, 10);
            if (const std::string* v = tag.Find("middle"))
                state_.pitch = std::clamp<long>(state_.pitch + LeadingInt(*v), -10, 10);
        } else if (IEquals(n, "volume")) {
            if (const std::string* v = tag.Find("level")) state_.volume = std::clamp<long>(LeadingInt(*v), 0, 100);
        } else if (IEquals(n, "emph")) {
            state_.emphasis = true;
        } else if (IEquals(n, "spell")) {
            state_.spell = true;
        } else if (IEquals(n, "voice")) {
            const std::string* req = tag.Find("required");
            const std::string* opt = tag.Find("optional");
            if (resolve_ && (req || opt)) {
                if (auto choice = resolve_(req ? *req : std::string(), opt ? *opt : std::string())) {
                    State next = state_;
                    next.voice = choice->engineName;
                    next.voiceName = choice->displayName;
                    SetVoice(next, start, length);
                }
            }
        } else if (IEquals(n, "silence")) {
            if (const std::string* v = tag.Find("msec")) {
                const long ms = std::min(LeadingInt(*v), kMaxSilenceMs);
                if (ms > 0) AddMark({SsmlMark::Kind::Silence, std::string(), ms}, start, length);
            }
        } else if (IEquals(n, "bookmark")) {
            const std::string* v = tag.Find("mark");
            AddMark({SsmlMark::Kind::Bookmark, v ? *v : std::string()}, start, length);
        }
        // Everything else (sapi, pron, context, partofsp, lang, unknown tags)
        // changes nothing; its content is spoken.
    }

    void Handle(const Tag& tag, std::size_t at) {
        const auto start = static_cast<std::int32_t>(at);
        const auto length = static_cast<std::int32_t>(tag.end - at);
        // Markup separates words the way a space would for the engine, so a
        // sentence that ends right before a tag still ends.
        FlushSentence(start);
        switch (tag.kind) {
            case Tag::Kind::Skip: return;
            case Tag::Kind::Empty: Apply(tag, start, length); return;
            case Tag::Kind::Start:
                open_.push_back({tag.name, state_});
                Apply(tag, start, length);
                return;
            case Tag::Kind::End: {
                // Close the innermost open element of that name and any left
                // open inside it; a stray end tag changes nothing.
                for (std::size_t k = open_.size(); k-- > 0;) {
                    if (!IEquals(open_[k].name, tag.name)) continue;
                    State restored = open_[k].saved;
                    open_.resize(k);
                    SetVoice(restored, start, length);
                    state_ = restored;
                    return;
                }
                return;
            }
        }
    }

    // Sentence ends: ".", "!" or "?" (closing quotes and brackets may follow)
    // before white space, markup or the end of the text.
    void FlushSentence(std::int32_t) {
        if (pendingEnd_ >= 0) out_.sentenceEnds.push_back(pendingEnd_);
        pendingEnd_ = -1;
    }
    void TrackSentence(char32_t c, std::int32_t pos, std::int32_t length) {
        if (c == '.' || c == '!' || c == '?' || c == 0x2026 /* … */) {
            pendingEnd_ = pos + length;
        } else if (pendingEnd_ >= 0 && (c == '"' || c == '\'' || c == ')' || c == ']' || c == 0x201D || c == 0x2019)) {
            pendingEnd_ = pos + length;
        } else if (IsSpace(c)) {
            FlushSentence(pos);
        } else {
            pendingEnd_ = -1;
        }
    }

    std::size_t TextChar(std::size_t i, bool isXml) {
        char32_t c = text_[i];
        std::size_t len = 1;
        if (isXml && c == '&') {
            char32_t decoded;
            if (std::size_t e = DecodeEntity(text_, i, &decoded)) {
                c = decoded;
                len = e;
            }
        }
        const auto start = static_cast<std::int32_t>(i);
        const auto length = static_cast<std::int32_t>(len);
        if (IsSpace(c)) {
            SyncClose(start);
            if (afterPeriod_ && start < lastText_) c = '\n';
            afterPeriod_ = false;
        } else {
            Sync(start);
            afterPeriod_ = c == '.';
        }
        EmitChar(c, start, length);
        TrackSentence(c, start, length);
        if (state_.emphasis && !IsSpace(c)) {
            auto& spans = out_.emphasis;
            if (!spans.empty() && spans.back().start + spans.back().length >= start - 1)
                spans.back().length = start + length - spans.back().start;
            else
                spans.push_back({start, length});
        }
        return i + len;
    }

    std::u32string text_;
    const VoiceResolver& resolve_;
    SsmlText out_;
    State state_;
    State emitted_;
    std::vector<Open> open_;
    std::int32_t pendingEnd_ = -1;
    std::int32_t lastText_ = -1;
    bool afterPeriod_ = false;
};

}  // namespace

SourceSpan SsmlText::Map(std::int64_t pos, std::int64_t length) const {
    if (source.empty()) return {};
    const auto last = static_cast<std::int64_t>(source.size()) - 1;
    const std::int64_t a = std::clamp<std::int64_t>(pos, 0, last);
    const std::int64_t b = std::clamp<std::int64_t>(pos + std::max<std::int64_t>(length, 1) - 1, a, last);
    const SourceSpan first = source[static_cast<std::size_t>(a)];
    const SourceSpan end = source[static_cast<std::size_t>(b)];
    SourceSpan out{first.start, std::max(0, end.start + end.length - first.start)};
    if (length <= 0) out.length = 0;
    return out;
}

std::int32_t SsmlText::SentenceLength(std::int32_t start) const {
    auto it = std::upper_bound(sentenceEnds.begin(), sentenceEnds.end(), start);
    const std::int32_t end = it == sentenceEnds.end() ? sourceLength : *it;
    return std::max(0, end - start);
}

bool SsmlText::Emphasized(std::int32_t pos) const {
    auto it = std::upper_bound(emphasis.begin(), emphasis.end(), pos,
                               [](std::int32_t p, const SourceSpan& s) { return p < s.start; });
    if (it == emphasis.begin()) return false;
    --it;
    return pos < it->start + it->length;
}

std::string MarkName(std::size_t index) { return "L" + std::to_string(index); }

long MarkIndex(std::string_view name) {
    if (name.size() < 2 || name[0] != 'L' || name.size() > 10) return -1;
    long v = 0;
    for (char c : name.substr(1)) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

int RatePercent(int rate) {
    rate = std::clamp(rate, -10, 10);
    double wpm = kNormalWpm * std::pow(3.0, rate / 10.0);
    wpm = std::clamp(wpm, static_cast<double>(kMinWpm), static_cast<double>(kMaxWpm));
    return static_cast<int>(std::lround(wpm * 100.0 / kNormalWpm));
}

int EspeakPitch(int middle) { return 50 + 5 * std::clamp(middle, -10, 10); }

SsmlText TranslateSapiXml(std::string_view text, bool isXml, const VoiceResolver& resolveVoice) {
    Translator t(Utf8Decode(text), resolveVoice);
    return t.Run(isXml);
}

}  // namespace lipsmith::engines
