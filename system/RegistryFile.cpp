#include "RegistryFile.h"

#include <algorithm>

namespace lipsmith {

namespace {

constexpr std::string_view kSignature = "Lipsmith Registry 1";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool LessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) {
                                            return static_cast<unsigned char>(Lower(x)) <
                                                   static_cast<unsigned char>(Lower(y));
                                        });
}

bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

void AppendQuoted(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (IsControl(c)) {
                    const auto u = static_cast<unsigned char>(c);
                    out += "\\x";
                    out += kHex[u >> 4];
                    out += kHex[u & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at the start of `s`; on success `s` continues after it.
bool ReadQuoted(std::string_view& s, std::string& out) {
    if (s.empty() || s.front() != '"') return false;
    out.clear();
    std::size_t i = 1;
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"') {
            s.remove_prefix(i);
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= s.size()) return false;
        switch (char e = s[i++]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (i + 2 > s.size()) return false;
                const int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                (void)e;
                return false;
        }
    }
    return false;  // no closing quote
}

void SerializeKey(const RegistryKeyNode& key, const std::string& fullName, std::string& out) {
    if (!key.values.empty() || key.children.empty()) {
        out += "\n[" + fullName + "]\n";
        for (const auto& [name, value] : key.values) {
            if (name.empty()) {
                out += '@';
            } else {
                AppendQuoted(out, name);
            }
            out += '=';
            AppendQuoted(out, value);
            out += '\n';
        }
    }
    for (const RegistryKeyNode& child : key.children) SerializeKey(child, fullName + "\\" + child.name, out);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

RegistryKeyNode* RegistryKeyNode::FindChild(std::string_view childName) {
    auto it = std::lower_bound(children.begin(), children.end(), childName,
                               [](const RegistryKeyNode& k, std::string_view n) { return LessNoCase(k.name, n); });
    return (it != children.end() && EqualsNoCase(it->name, childName)) ? &*it : nullptr;
}

const RegistryKeyNode* RegistryKeyNode::FindChild(std::string_view childName) const {
    return const_cast<RegistryKeyNode*>(this)->FindChild(childName);
}

RegistryKeyNode& RegistryKeyNode::Child(std::string_view childName) {
    auto it = std::lower_bound(children.begin(), children.end(), childName,
                               [](const RegistryKeyNode& k, std::string_view n) { return LessNoCase(k.name, n); });
    if (it != children.end() && EqualsNoCase(it->name, childName)) return *it;
    return *children.insert(it, RegistryKeyNode{std::string(childName), {}, {}});
}

bool RegistryKeyNode::RemoveChild(std::string_view childName) {
    RegistryKeyNode* child = FindChild(childName);
    if (!child) return false;
    children.erase(children.begin() + (child - children.data()));
    return true;
}

const std::string* RegistryKeyNode::FindValue(std::string_view valueName) const {
    for (const auto& [name, value] : values) {
        if (EqualsNoCase(name, valueName)) return &value;
    }
    return nullptr;
}

void RegistryKeyNode::SetValue(std::string_view valueName, std::string_view text) {
    for (auto& [name, value] : values) {
        if (EqualsNoCase(name, valueName)) {
            value = text;
            return;
        }
    }
    values.emplace_back(std::string(valueName), std::string(text));
}

bool RegistryKeyNode::RemoveValue(std::string_view valueName) {
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const auto& v) { return EqualsNoCase(v.first, valueName); });
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    if (path.empty()) return names;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        std::string_view name = path.substr(start, end - start);
        if (name.empty() || std::any_of(name.begin(), name.end(), IsControl)) return std::nullopt;
        names.emplace_back(name);
        if (end == path.size()) return names;
        start = end + 1;
    }
}

std::string SerializeRegistry(const RegistryTree& tree) {
    std::string out(kSignature);
    out += "\n; Lipsmith settings. Keys are [HIVE\\path]; values are \"name\"=\"text\", @ the default value.\n";
    for (const RegistryKeyNode* root : {&tree.currentUser, &tree.classesRoot}) {
        if (!root->values.empty()) {
            // The hive's own values; its subkeys follow as sections of their own.
            RegistryKeyNode valuesOnly{root->name, root->values, {}};
            SerializeKey(valuesOnly, root->name, out);
        }
        for (const RegistryKeyNode& child : root->children) SerializeKey(child, root->name + "\\" + child.name, out);
    }
    return out;
}

std::optional<std::string> ParseRegistry(std::string_view text, RegistryTree& tree) {
    tree = RegistryTree{};
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    bool signed_ = false;
    RegistryKeyNode* key = nullptr;
    std::size_t lineNumber = 0;
    auto problem = [&](const std::string& what) {
        tree = RegistryTree{};
        return "line " + std::to_string(lineNumber) + ": " + what;
    };
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = TrimBlanks(line);
        if (line.empty()) continue;
        if (!signed_) {
            if (line != kSignature) return problem("not a Lipsmith registry file");
            signed_ = true;
            continue;
        }
        if (line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return problem("a key line must end with ']'");
            std::string_view full = line.substr(1, line.size() - 2);
            const std::size_t slash = std::min(full.find('\\'), full.size());
            std::string_view hiveName = full.substr(0, slash);
            RegistryKeyNode* root = nullptr;
            if (EqualsNoCase(hiveName, "HKEY_CURRENT_USER") || EqualsNoCase(hiveName, "HKCU")) {
                root = &tree.currentUser;
            } else if (EqualsNoCase(hiveName, "HKEY_CLASSES_ROOT") || EqualsNoCase(hiveName, "HKCR")) {
                root = &tree.classesRoot;
            } else {
                return problem("unknown hive '" + std::string(hiveName) + "'");
            }
            auto names = SplitKeyPath(slash < full.size() ? full.substr(slash + 1) : std::string_view());
            if (!names || (slash < full.size() && names->empty())) return problem("bad key path");
            key = root;
            for (const std::string& name : *names) key = &key->Child(name);
            continue;
        }
        if (!key) return problem("a value before the first key");
        std::string name, value;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else if (!ReadQuoted(line, name)) {
            return problem("bad value name");
        } else if (name.empty()) {
            return problem("an empty value name (the default value is written @)");
        }
        line = TrimBlanks(line);
        if (line.empty() || line.front() != '=') return problem("'=' expected");
        line = TrimBlanks(line.substr(1));
        if (!ReadQuoted(line, value)) return problem("bad value text");
        if (!TrimBlanks(line).empty()) return problem("text after the value");
        key->SetValue(name, value);
    }
    return std::nullopt;
}

}  // namespace lipsmith
