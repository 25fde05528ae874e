#include "ScriptColoring.h"

#include <algorithm>

namespace lipsmith {

namespace {

// Backslashes doubled; "\r\n", "\n" and "\r" become "\par ", tabs "\tab ".
std::string EscapeForRtf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\tab "; break;
            case '\n': out += "\\par "; break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += "\\par ";
                break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string ColorizeScript(const std::string& text) {
    const std::string body = EscapeForRtf(text);
    std::string out(kScriptRtfHeader);
    out.reserve(out.size() + body.size() + body.size() / 4 + 16);

    bool opening = true;  // the next double quote opens a value
    std::size_t pos = 0;
    for (;;) {
        const std::size_t lt = body.find('<', pos);
        if (lt == std::string::npos) {
            out.append(body, pos, std::string::npos);
            break;
        }
        out.append(body, pos, lt - pos);
        out += "\\cf2 ";
        const std::size_t gt = body.find('>', lt + 1);
        const std::size_t end = gt == std::string::npos ? body.size() : gt;
        for (std::size_t i = lt; i < end; ++i) {
            if (body[i] != '"') {
                out += body[i];
            } else if (opening) {
                out += "\"\\cf1 ";
                opening = false;
            } else {
                out += "\\cf2 \"";
                opening = true;
            }
        }
        if (gt == std::string::npos) break;
        out += ">\\cf0 ";
        pos = gt + 1;
    }
    return out;
}

CaretColoring ColorAtCaret(const std::string& text, std::size_t caret) {
    CaretScan fromStart;
    return ColorAtCaret(text, caret, fromStart);
}

CaretColoring ColorAtCaret(const std::string& text, std::size_t caret, CaretScan& resume) {
    caret = std::min(caret, text.size());
    CaretColoring result;
    if (resume.pos > caret) resume = CaretScan{};
    bool opening = resume.opening;
    std::size_t pos = resume.pos;
    for (;;) {
        const std::size_t lt = text.find('<', pos);
        if (lt == std::string::npos || lt >= caret) return result;
        const std::size_t gt = text.find('>', lt + 1);
        if (gt != std::string::npos && gt < caret) {
            // A tag that closes before the caret: only its quotes matter.
            opening ^= (std::count(text.begin() + static_cast<std::ptrdiff_t>(lt),
                                   text.begin() + static_cast<std::ptrdiff_t>(gt), '"') & 1) != 0;
            result.insertionColor = TextColor::Black;
            pos = gt + 1;
            resume = CaretScan{pos, opening};
            continue;
        }
        // The caret stands in this tag.
        result.insertionColor = TextColor::Blue;
        bool lastQuoteOpened = false;
        for (std::size_t i = lt + 1; i < caret; ++i) {
            if (text[i] != '"') continue;
            result.insertionColor = opening ? TextColor::Red : TextColor::Blue;
            lastQuoteOpened = opening;
            opening = !opening;
        }
        const std::size_t before = caret - 1;  // caret > lt >= 0
        if (before == lt) {
            result.recolorPos = before;
            result.recolorTo = TextColor::Blue;
        } else if (text[before] == '"' && lastQuoteOpened) {
            result.recolorPos = before;
            result.recolorTo = TextColor::Red;
        }
        return result;
    }
}

}  // namespace lipsmith
