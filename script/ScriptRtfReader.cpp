#include "ScriptRtfReader.h"

#include <cctype>
#include <cstdlib>

#include "ScriptColoring.h"

namespace lipsmith {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Groups whose content is no text of the document.
bool IsHeaderGroupWord(const std::string& word) {
    return word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info";
}

// Reads the control word starting at rtf[i] (a letter); sets i past it and
// its delimiter.
void ReadControlWord(const std::string& rtf, std::size_t& i, std::string& word, bool& hasParam,
                     long& param) {
    word.clear();
    while (i < rtf.size() && IsLetter(rtf[i])) word += rtf[i++];
    hasParam = false;
    param = 0;
    std::size_t j = i;
    bool negative = false;
    if (j < rtf.size() && rtf[j] == '-' && j + 1 < rtf.size() && IsDigit(rtf[j + 1])) {
        negative = true;
        ++j;
    }
    if (j < rtf.size() && IsDigit(rtf[j])) {
        hasParam = true;
        int digits = 0;
        while (j < rtf.size() && IsDigit(rtf[j])) {
            if (digits++ < 9) param = param * 10 + (rtf[j] - '0');
            ++j;
        }
        if (negative) param = -param;
        i = j;
    }
    if (i < rtf.size() && rtf[i] == ' ') ++i;
}

}  // namespace

ColoredText ReadScriptRtf(const std::string& rtf) {
    ColoredText out;
    out.text.reserve(rtf.size());
    out.colors.reserve(rtf.size());
    TextColor color = TextColor::Black;
    int depth = 0;      // 1 inside the document group
    int skipDepth = 0;  // >0: inside a header group opened at this depth
    std::string word;

    auto put = [&](char c) {
        if (skipDepth > 0) return;
        out.text += c;
        out.colors.push_back(color);
    };

    std::size_t i = 0;
    while (i < rtf.size()) {
        const char c = rtf[i];
        if (c == '{') {
            if (depth == 0) {
                depth = 1;
                ++i;
                continue;
            }
            // A header group starts with its control word; any other brace is text.
            if (i + 2 < rtf.size() && rtf[i + 1] == '\\' && (IsLetter(rtf[i + 2]) || rtf[i + 2] == '*')) {
                std::size_t j = i + 2;
                std::string w;
                while (j < rtf.size() && IsLetter(rtf[j])) w += rtf[j++];
                if (skipDepth > 0 || rtf[i + 2] == '*' || IsHeaderGroupWord(w)) {
                    ++depth;
                    if (skipDepth == 0) skipDepth = depth;
                    ++i;
                    continue;
                }
            } else if (skipDepth > 0) {
                ++depth;  // a plain group inside a header group (a font entry)
                ++i;
                continue;
            }
            put(c);
            ++i;
            continue;
        }
        if (c == '}') {
            if (skipDepth > 0) {
                if (depth == skipDepth) skipDepth = 0;
                --depth;
            } else {
                put(c);
            }
            ++i;
            continue;
        }
        if (c == '\\') {
            ++i;
            if (i >= rtf.size()) break;
            const char s = rtf[i];
            if (IsLetter(s)) {
                bool hasParam = false;
                long param = 0;
                ReadControlWord(rtf, i, word, hasParam, param);
                if (skipDepth > 0) continue;
                if (word == "par" || word == "line") {
                    put('\n');
                } else if (word == "tab") {
                    put('\t');
                } else if (word == "cf") {
                    color = (param == 1) ? TextColor::Red : (param == 2) ? TextColor::Blue : TextColor::Black;
                } else if (word == "plain") {
                    color = TextColor::Black;
                }
                continue;
            }
            ++i;
            switch (s) {
                case '\\': case '{': case '}': put(s); break;
                case '~': put(static_cast<char>(0xA0)); break;
                case '\n': case '\r': put('\n'); break;
                case '\'': {
                    const int hi = i < rtf.size() ? HexValue(rtf[i]) : -1;
                    const int lo = i + 1 < rtf.size() ? HexValue(rtf[i + 1]) : -1;
                    if (hi >= 0 && lo >= 0) {
                        put(static_cast<char>(hi * 16 + lo));
                        i += 2;
                    }
                    break;
                }
                default: break;  // other control symbols carry no text here
            }
            continue;
        }
        if (c == '\r' || c == '\n') {  // raw line breaks are no text in RTF
            ++i;
            continue;
        }
        put(c);
        ++i;
    }
    return out;
}

ColoredText ColorizedText(const std::string& plain) {
    return ReadScriptRtf(ColorizeScript(plain));
}

}  // namespace lipsmith
