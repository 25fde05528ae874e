#include "ScriptDocumentText.h"

#include <cstring>

namespace lipsmith {

std::string EscapeAmpersands(const std::string& script) {
    std::string out;
    out.reserve(script.size() + script.size() / 16);
    for (const char c : script) {
        if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

std::string RemoveAll(const std::string& text, const std::string& what) {
    if (what.empty()) return text;
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = text.find(what, pos);
        if (hit == std::string::npos) break;
        out.append(text, pos, hit - pos);
        pos = hit + what.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

namespace {

bool StartsWith(const std::string& s, std::size_t pos, const char* prefix) {
    return s.compare(pos, std::strlen(prefix), prefix) == 0;
}

// Decodes the reference at xml[i] ("&...;") into out and returns the position
// after it; a text that is no reference the writer makes is copied as it is.
std::size_t DecodeReference(const std::string& xml, std::size_t i, std::string& out) {
    static const struct { const char* name; char c; } kNamed[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& e : kNamed) {
        if (StartsWith(xml, i, e.name)) {
            out += e.c;
            return i + std::strlen(e.name);
        }
    }
    if (StartsWith(xml, i, "&#")) {
        std::size_t j = i + 2;
        const bool hex = j < xml.size() && (xml[j] == 'x' || xml[j] == 'X');
        if (hex) ++j;
        unsigned long value = 0;
        std::size_t digits = 0;
        for (; j < xml.size() && digits < 8; ++j, ++digits) {
            const char c = xml[j];
            int d = -1;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            if (d < 0) break;
            value = value * (hex ? 16 : 10) + static_cast<unsigned long>(d);
        }
        if (digits > 0 && j < xml.size() && xml[j] == ';' && value > 0 && value < 256) {
            out += static_cast<char>(value);
            return j + 1;
        }
    }
    out += '&';
    return i + 1;
}

// Copies xml[from, to) with references decoded.
void CopyDecoded(const std::string& xml, std::size_t from, std::size_t to, std::string& out) {
    for (std::size_t i = from; i < to;) {
        if (xml[i] == '&')
            i = DecodeReference(xml, i, out);
        else
            out += xml[i++];
    }
}

// Copies markup that runs up to and including `end` (comment, CDATA, PI, end tag).
std::size_t CopyUntil(const std::string& xml, std::size_t i, const char* end, std::string& out) {
    const std::size_t hit = xml.find(end, i);
    const std::size_t stop = hit == std::string::npos ? xml.size() : hit + std::strlen(end);
    CopyDecoded(xml, i, stop, out);
    return stop;
}

// A document type declaration: ">" inside its "[...]" subset does not end it.
std::size_t CopyDoctype(const std::string& xml, std::size_t i, std::string& out) {
    int depth = 0;
    std::size_t j = i;
    for (; j < xml.size(); ++j) {
        if (xml[j] == '[') ++depth;
        else if (xml[j] == ']' && depth > 0) --depth;
        else if (xml[j] == '>' && depth == 0) { ++j; break; }
    }
    CopyDecoded(xml, i, j, out);
    return j;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A start tag "<name attr="value" ...>" or ".../>".
std::size_t CopyStartTag(const std::string& xml, std::size_t i, std::string& out) {
    const std::size_t n = xml.size();
    out += xml[i++];  // '<'
    while (i < n && !IsSpace(xml[i]) && xml[i] != '>' && xml[i] != '/') out += xml[i++];
    while (i < n) {
        const char c = xml[i];
        if (c == '>') {
            out += c;
            return i + 1;
        }
        if (c != '"' && c != '\'') {
            out += c;
            ++i;
            continue;
        }
        // An attribute value: the writer escapes its delimiter inside it.
        const std::size_t close = xml.find(c, i + 1);
        if (close == std::string::npos) {
            CopyDecoded(xml, i, n, out);
            return n;
        }
        std::string value;
        CopyDecoded(xml, i + 1, close, value);
        const char other = c == '"' ? '\'' : '"';
        if (value.find(c) == std::string::npos) {
            out += c;
            out += value;
            out += c;
        } else if (value.find(other) == std::string::npos) {
            out += other;
            out += value;
            out += other;
        } else {
            out.append(xml, i, close + 1 - i);  // both quotes: only references can say it
        }
        i = close + 1;
    }
    return n;
}

}  // namespace

std::string ScriptTextFromDocumentXml(const std::string& xml) {
    std::string out;
    out.reserve(xml.size());
    const std::size_t n = xml.size();
    for (std::size_t i = 0; i < n;) {
        const char c = xml[i];
        if (c == '&') {
            i = DecodeReference(xml, i, out);
        } else if (c != '<') {
            out += c;
            ++i;
        } else if (StartsWith(xml, i, "<!--")) {
            i = CopyUntil(xml, i, "-->", out);
        } else if (StartsWith(xml, i, "<![CDATA[")) {
            i = CopyUntil(xml, i, "]]>", out);
        } else if (StartsWith(xml, i, "<?")) {
            i = CopyUntil(xml, i, "?>", out);
        } else if (StartsWith(xml, i, "<!")) {
            i = CopyDoctype(xml, i, out);
        } else if (StartsWith(xml, i, "</")) {
            i = CopyUntil(xml, i, ">", out);
        } else {
            i = CopyStartTag(xml, i, out);
        }
    }
    return out;
}

std::string ActorEngineText(const std::string& actorXml) {
    std::string flat;
    flat.reserve(actorXml.size());
    for (const char c : actorXml)
        if (c != '\r' && c != '\n' && c != '\t') flat += c;
    const std::size_t gt = flat.find('>');
    if (gt == std::string::npos) return {};
    return RemoveAll(flat.substr(gt + 1), "</actor>");
}

std::size_t TextContentLength(const pugi::xml_node& root) {
    std::size_t length = 0;
    pugi::xml_node node = root.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            length += std::strlen(node.value());
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling()) node = node.parent();
        if (!node || node == root) break;
        node = node.next_sibling();
    }
    return length;
}

}  // namespace lipsmith
