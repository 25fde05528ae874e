#include "Manifest.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lipsmith::batch {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

bool LooksLikeCommand(const std::string& word) {
    if (word.empty() || word[0] < 'a' || word[0] > 'z') return false;
    for (char c : word) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
    }
    return true;
}

bool EndsWithWav(const std::string& word) {
    if (word.size() < 4) return false;
    std::string tail = word.substr(word.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".wav";
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view line, std::string* error) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n || line[i] == '#') break;
        std::string word;
        while (i < n && !IsBlank(line[i])) {
            const char c = line[i++];
            if (c == '\'') {
                const std::size_t close = line.find('\'', i);
                if (close == std::string_view::npos) {
                    if (error) *error = "a ' quote is not closed";
                    return {};
                }
                word.append(line.substr(i, close - i));
                i = close + 1;
            } else if (c == '"') {
                for (;;) {
                    if (i >= n) {
                        if (error) *error = "a \" quote is not closed";
                        return {};
                    }
                    const char q = line[i++];
                    if (q == '"') break;
                    if (q == '\\' && i < n && (line[i] == '"' || line[i] == '\\')) {
                        word += line[i++];
                    } else {
                        word += q;
                    }
                }
            } else if (c == '\\') {
                if (i >= n) {
                    if (error) *error = "the line ends with a backslash (lines do not continue)";
                    return {};
                }
                word += line[i++];
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

Manifest ParseManifest(std::string_view text, const std::string& folder) {
    Manifest manifest;
    manifest.folder = folder;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        ++lineNumber;
        ManifestItem item;
        item.line = lineNumber;
        item.words = SplitWords(line, &item.error);
        if (item.words.empty() && item.error.empty()) continue;
        if (item.error.empty()) {
            const std::string& first = item.words.front();
            std::error_code ec;
            const bool isFile = std::filesystem::exists(std::filesystem::path(folder) / first, ec);
            if (!LooksLikeCommand(first) || isFile) {
                item.words.insert(item.words.begin(), EndsWithWav(first) ? "align" : "run");
            }
        }
        manifest.items.push_back(std::move(item));
    }
    return manifest;
}

ManifestResult ReadManifest(const std::string& path) {
    ManifestResult result;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        result.error = "'" + path + "' is a folder";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || in.bad()) {
        result.error = "cannot read the manifest '" + path + "'";
        return result;
    }
    const std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
    result.manifest = ParseManifest(text.str(), folder.lexically_normal().string());
    return result;
}

std::string ItemLabel(const ManifestItem& item) {
    std::string label = std::to_string(item.line) + ":";
    for (std::size_t i = 0; i < item.words.size() && i < 2; ++i) label += " " + item.words[i];
    if (item.words.empty()) label += " (unreadable line)";
    return label;
}

}  // namespace lipsmith::batch
