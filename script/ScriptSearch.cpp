#include "ScriptSearch.h"

#include <locale.h>

#include <cwctype>

namespace lipsmith {

namespace {

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point at text[i] and its length; an invalid byte stands for itself.
char32_t Decode(const std::string& text, std::size_t i, std::size_t* length) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char c = b(0);
    const std::size_t left = text.size() - i;
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 1;
    if (n > left) n = 1;
    for (std::size_t k = 1; k < n; ++k)
        if (!Continuation(b(k))) n = 1;
    *length = n;
    switch (n) {
        case 2: return ((c & 0x1F) << 6) | (b(1) & 0x3F);
        case 3: return ((c & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
        case 4: return ((c & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
        default: return c;
    }
}

// Letters are compared and classified by Unicode's rules whatever locale the
// program runs in.
locale_t UnicodeLocale() {
    static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return loc;
}

char32_t Fold(char32_t c) {
    if (const locale_t loc = UnicodeLocale()) return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc));
    return static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(c)));
}

bool IsWordChar(char32_t c) {
    if (c == '_') return true;
    if (const locale_t loc = UnicodeLocale()) return iswalnum_l(static_cast<wint_t>(c), loc) != 0;
    return std::iswalnum(static_cast<std::wint_t>(c)) != 0;
}

// Length in bytes of the match of `what` at `pos`, or 0.
std::size_t MatchAt(const std::string& text, const std::string& what, std::size_t pos, bool matchCase) {
    if (matchCase) return text.compare(pos, what.size(), what) == 0 ? what.size() : 0;
    std::size_t i = pos, j = 0;
    while (j < what.size()) {
        if (i >= text.size()) return 0;
        std::size_t li = 0, lj = 0;
        const char32_t a = Decode(text, i, &li), b = Decode(what, j, &lj);
        if (a != b && Fold(a) != Fold(b)) return 0;
        i += li;
        j += lj;
    }
    return i - pos;
}

bool WholeWordAt(const std::string& text, std::size_t start, std::size_t end) {
    if (start > 0) {
        std::size_t p = start - 1;
        while (p > 0 && Continuation(static_cast<unsigned char>(text[p]))) --p;
        std::size_t n = 0;
        if (IsWordChar(Decode(text, p, &n))) return false;
    }
    if (end < text.size()) {
        std::size_t n = 0;
        if (IsWordChar(Decode(text, end, &n))) return false;
    }
    return true;
}

bool CharStart(const std::string& text, std::size_t pos) {
    return pos >= text.size() || !Continuation(static_cast<unsigned char>(text[pos]));
}

}  // namespace

bool SameText(const std::string& candidate, const std::string& what, bool matchCase) {
    if (what.empty()) return false;
    return MatchAt(candidate, what, 0, matchCase) == candidate.size();
}

std::optional<TextMatch> FindText(const std::string& text, const std::string& what, std::size_t from,
                                  std::size_t limit, const FindOptions& options) {
    if (what.empty()) return std::nullopt;
    from = std::min(from, text.size());
    limit = std::min(limit, text.size());
    auto accept = [&](std::size_t pos) -> std::optional<TextMatch> {
        if (!CharStart(text, pos)) return std::nullopt;
        const std::size_t n = MatchAt(text, what, pos, options.matchCase);
        if (n == 0) return std::nullopt;
        if (options.wholeWord && !WholeWordAt(text, pos, pos + n)) return std::nullopt;
        return TextMatch{pos, n};
    };
    if (options.down) {
        for (std::size_t pos = from; pos < limit; ++pos) {
            if (options.matchCase) {  // the fast way to the next candidate
                pos = text.find(what, pos);
                if (pos == std::string::npos || pos >= limit) return std::nullopt;
            }
            if (auto m = accept(pos); m && m->start + m->length <= limit) return m;
        }
        return std::nullopt;
    }
    for (std::size_t pos = from; pos-- > limit;) {
        if (auto m = accept(pos); m && m->start + m->length <= from) return m;
    }
    return std::nullopt;
}

std::optional<TextMatch> FindSeries::Next(const std::string& text, const std::string& what, std::size_t selStart,
                                          std::size_t selEnd, const FindOptions& options) {
    const std::size_t here = options.down ? selEnd : selStart;
    if (!start_) {
        start_ = here;
        wrapped_ = false;
    }
    const std::size_t start = std::min(*start_, text.size());
    std::optional<TextMatch> match;
    if (!wrapped_) {
        match = options.down ? FindText(text, what, here, text.size(), options) : FindText(text, what, here, 0, options);
        if (!match) {
            wrapped_ = true;
            match = options.down ? FindText(text, what, 0, start, options)
                                 : FindText(text, what, text.size(), start, options);
        }
    } else {
        match = options.down ? FindText(text, what, here, start, options) : FindText(text, what, here, start, options);
    }
    if (!match) Reset();
    return match;
}

}  // namespace lipsmith
