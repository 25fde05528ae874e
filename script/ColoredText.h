// Text with one colour per character, as the script editor and the Parser
// Output pane show it. Scripts are single-byte text: one byte, one character.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lipsmith {

// The values are the indices of the editor's RTF colour table.
enum class TextColor : std::uint8_t { Black = 0, Red = 1, Blue = 2 };

struct ColorRun {
    std::size_t start = 0;
    std::size_t length = 0;
    TextColor color = TextColor::Black;
    bool operator==(const ColorRun&) const = default;
};

struct ColoredText {
    std::string text;
    std::vector<TextColor> colors;  // colors.size() == text.size()

    ColoredText() = default;
    ColoredText(std::string plain, TextColor color)
        : text(std::move(plain)), colors(text.size(), color) {}
};

// Adjacent characters of one colour merged into runs, in text order.
std::vector<ColorRun> RunsOf(const std::vector<TextColor>& colors);

}  // namespace lipsmith
