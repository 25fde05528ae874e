#include "SceneJson.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "SpeechController.h"

namespace lipsmith {
namespace {

constexpr int kMaxSubDepth = 64;  // sub-animatables follow references, which never loop

void VisitSubs(Animatable* anim, int depth,
               const std::function<void(const std::string&, SpeechController*)>& visit) {
    if (depth > kMaxSubDepth) return;
    for (int i = 0; i < anim->NumSubs(); ++i) {
        Animatable* sub = anim->SubAnim(i);
        if (!sub) continue;
        VisitSubs(sub, depth + 1, visit);
        if (SpeechController* c = AsSpeechController(sub)) visit(anim->SubAnimName(i), c);
    }
}

// Length of a valid UTF-8 sequence at p (n bytes left), 0 if there is none.
std::size_t Utf8Length(const unsigned char* p, std::size_t n) {
    unsigned char c = p[0];
    std::size_t len;
    unsigned min;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1Fu; min = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0Fu; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07u; min = 0x10000; }
    else return 0;
    if (n < len) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void AppendKeys(std::string& out, SpeechController* c) {
    IKeyControl* ikc = GetKeyControlInterface(c->GetKeyTrack());
    const int n = ikc ? ikc->GetNumKeys() : 0;
    if (n == 0) {
        out += "[]";
        return;
    }
    out += "[\n";
    for (int i = 0; i < n; ++i) {
        IBezFloatKey k;
        ikc->GetKey(i, &k);
        out += "            {\"t\": " + std::to_string(k.time) + ", \"v\": " + JsonFloat(k.val) +
               ", \"flags\": " + std::to_string(k.flags) + ", \"inLen\": " + JsonFloat(k.inLength) +
               ", \"outLen\": " + JsonFloat(k.outLength) + "}";
        out += i + 1 < n ? ",\n" : "\n";
    }
    out += "          ]";
}

void AppendNotes(std::string& out, SpeechController* c) {
    NoteTrack* nt = c->GetNoteTrack();
    DefNoteTrack* dnt = nt && nt->ClassID() == DEF_NOTETRACK_CLASS_ID ? static_cast<DefNoteTrack*>(nt) : nullptr;
    const NoteKeyTab* keys = dnt ? &dnt->keys : nullptr;
    const int n = keys ? keys->Count() : 0;
    if (n == 0) {
        out += "[]";
        return;
    }
    out += "[\n";
    for (int i = 0; i < n; ++i) {
        const NoteKey* k = (*keys)[i];
        out += "            {\"t\": " + std::to_string(k->time) + ", \"text\": " + JsonString(k->note) + "}";
        out += i + 1 < n ? ",\n" : "\n";
    }
    out += "          ]";
}

void AppendNode(std::string& out, INode* node, bool& first) {
    out += first ? "\n" : ",\n";
    first = false;
    INode* parent = node->GetParentNode();
    out += "    {\n      \"name\": " + JsonString(node->GetName()) + ",\n      \"parent\": ";
    out += parent && !parent->IsRootNode() ? JsonString(parent->GetName()) : "null";
    out += ",\n      \"controllers\": [";
    bool firstController = true;
    ForEachSpeechController(node, [&](const std::string& track, SpeechController* c) {
        out += firstController ? "\n" : ",\n";
        firstController = false;
        out += "        {\n          \"track\": " + JsonString(track) + ",\n          \"channel\": " +
               std::to_string(c->channel) + ",\n          \"active\": " + std::to_string(c->active) +
               ",\n          \"scalars\": [";
        for (int i = 0; i < kNumChannels; ++i) out += (i ? ", " : "") + std::to_string(c->scalar[i]);
        out += "],\n          \"keys\": ";
        AppendKeys(out, c);
        out += ",\n          \"notes\": ";
        AppendNotes(out, c);
        out += "\n        }";
    });
    out += firstController ? "]\n    }" : "\n      ]\n    }";
}

}  // namespace

void ForEachSpeechController(INode* node,
                             const std::function<void(const std::string& track, SpeechController* c)>& visit) {
    if (node) VisitSubs(node, 0, visit);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char c = p[i];
        char buf[8];
        switch (c) {
            case '"': out += "\\\""; ++i; continue;
            case '\\': out += "\\\\"; ++i; continue;
            case '\n': out += "\\n"; ++i; continue;
            case '\r': out += "\\r"; ++i; continue;
            case '\t': out += "\\t"; ++i; continue;
            default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (std::size_t len = Utf8Length(p + i, n - i)) {
            out.append(text, i, len);
            i += len;
        } else {
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        }
    }
    return out + "\"";
}

std::string JsonFloat(float v) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string SceneToJson(Interface& ip) {
    std::string out = "{\n  \"fps\": " + std::to_string(ip.GetFrameRate()) +
                      ",\n  \"ticksPerFrame\": " + std::to_string(ip.GetTicksPerFrame()) + ",\n  \"nodes\": [";
    bool first = true;
    // Depth first, a node before its children, without recursion (trees can be deep).
    std::vector<INode*> stack;
    INode* root = ip.GetRootNode();
    for (int i = root->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(root->GetChildNode(i));
    while (!stack.empty()) {
        INode* node = stack.back();
        stack.pop_back();
        AppendNode(out, node, first);
        for (int i = node->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(node->GetChildNode(i));
    }
    out += first ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

}  // namespace lipsmith
