#include "TextPositions.h"

#include <algorithm>

namespace lipsmith {

namespace {

constexpr std::size_t kStride = 16 * 1024;  // bytes between checkpoints

struct Step {
    std::size_t bytes;
    std::size_t units;
};

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The character starting at text[i]: its length in bytes and in UTF-16 units.
Step StepAt(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t left = text.size() - i;
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (c < 0x80) return {1, 1};
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && Continuation(at(1))) return {2, 1};
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && Continuation(at(1)) && Continuation(at(2))) {
        if (c == 0xE0 && at(1) < 0xA0) return {1, 1};   // overlong
        if (c == 0xED && at(1) >= 0xA0) return {1, 1};  // a surrogate
        return {3, 1};
    }
    if (c >= 0xF0 && c <= 0xF4 && left >= 4 && Continuation(at(1)) && Continuation(at(2)) && Continuation(at(3))) {
        if (c == 0xF0 && at(1) < 0x90) return {1, 1};
        if (c == 0xF4 && at(1) >= 0x90) return {1, 1};
        return {4, 2};
    }
    return {1, 1};
}

// Windows-1252 characters 0x80..0x9F (0 where the code page has none).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const Step s = StepAt(utf8, i);
        i += s.bytes;
        units += s.units;
    }
    return units;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++count) i += StepAt(utf8, i).bytes;
    return count;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Step s = StepAt(utf8, i);
        const auto b = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(utf8[i + k])); };
        char32_t cp = 0xFFFD;
        switch (s.bytes) {
            case 1: cp = b(0) < 0x80 ? b(0) : 0xFFFD; break;
            case 2: cp = ((b(0) & 0x1F) << 6) | (b(1) & 0x3F); break;
            case 3: cp = ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F); break;
            default: cp = ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += s.bytes;
    }
    return out;
}

std::string ScriptTextAsUtf8(const std::string& bytes) {
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size() && valid;) {
        const Step s = StepAt(bytes, i);
        valid = s.bytes > 1 || static_cast<unsigned char>(bytes[i]) < 0x80;
        i += s.bytes;
    }
    if (valid) return bytes;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        char32_t cp = c;
        if (c >= 0x80 && c < 0xA0) cp = kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

void Utf16Index::Reset() {
    marks_.assign(1, Mark{0, 0});
}

void Utf16Index::Edit(std::size_t pos, std::size_t removedBytes, std::size_t removedUnits, std::size_t insertedBytes,
                      std::size_t insertedUnits) {
    // Checkpoints up to the edit stay; those inside the removed text go;
    // those after it move. A long insertion leaves the rest to be rebuilt.
    auto firstAfter = std::upper_bound(marks_.begin(), marks_.end(), pos,
                                       [](std::size_t p, const Mark& m) { return p < m.bytes; });
    if (insertedBytes > kStride) {
        marks_.erase(firstAfter, marks_.end());
    } else {
        auto firstKept = std::find_if(firstAfter, marks_.end(),
                                      [&](const Mark& m) { return m.bytes >= pos + removedBytes + (removedBytes ? 0 : 1); });
        firstAfter = marks_.erase(firstAfter, firstKept);
        for (auto it = firstAfter; it != marks_.end(); ++it) {
            it->bytes = it->bytes - removedBytes + insertedBytes;
            it->units = it->units - removedUnits + insertedUnits;
        }
    }
}

Utf16Index::Mark Utf16Index::Before(std::size_t value, bool byUnits) const {
    auto it = std::upper_bound(marks_.begin(), marks_.end(), value, [byUnits](std::size_t v, const Mark& m) {
        return v < (byUnits ? m.units : m.bytes);
    });
    return *(it - 1);  // marks_ starts at {0, 0}
}

void Utf16Index::Extend(const std::string& text, std::size_t bytes) {
    // Adds checkpoints from the last one up to `bytes` (or the text's end).
    Mark m = marks_.back();
    const std::size_t target = std::min(bytes, text.size());
    std::size_t next = m.bytes + kStride;
    while (next <= target) {
        while (m.bytes < next && m.bytes < text.size()) {
            const Step s = StepAt(text, m.bytes);
            m.bytes += s.bytes;
            m.units += s.units;
        }
        marks_.push_back(m);
        next = m.bytes + kStride;
    }
}

std::size_t Utf16Index::ToUnits(const std::string& text, std::size_t byteOffset) {
    byteOffset = std::min(byteOffset, text.size());
    Extend(text, byteOffset);
    Mark m = Before(byteOffset, false);
    while (m.bytes < byteOffset) {
        const Step s = StepAt(text, m.bytes);
        if (m.bytes + s.bytes > byteOffset) break;  // inside a character
        m.bytes += s.bytes;
        m.units += s.units;
    }
    return m.units;
}

std::size_t Utf16Index::ToBytes(const std::string& text, std::size_t unitOffset) {
    // Checkpoints by units ascend as well; extend until one lies past the offset.
    while (marks_.back().units < unitOffset && marks_.back().bytes + kStride <= text.size()) {
        const std::size_t before = marks_.size();
        Extend(text, marks_.back().bytes + kStride);
        if (marks_.size() == before) break;
    }
    Mark m = Before(unitOffset, true);
    while (m.bytes < text.size()) {
        const Step s = StepAt(text, m.bytes);
        if (m.units + s.units > unitOffset) break;
        m.bytes += s.bytes;
        m.units += s.units;
    }
    return m.bytes;
}

}  // namespace lipsmith
