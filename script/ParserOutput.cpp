#include "ParserOutput.h"

#include <cstdio>

namespace lipsmith {

void ParserOutput::Append(std::string_view text, OutputKind kind) {
    const TextColor color = kind == OutputKind::Plain ? TextColor::Black : TextColor::Red;
    if (kind == OutputKind::Error) ++errorCount;
    if (kind == OutputKind::Warning) ++warningCount;
    content_.text.append(text);
    content_.colors.insert(content_.colors.end(), text.size(), color);
    if (listener_) listener_(text, kind, false);
}

void ParserOutput::SetText(std::string_view text) {
    content_ = ColoredText(std::string(text), TextColor::Black);
    if (listener_) listener_(text, OutputKind::Plain, true);
}

std::optional<std::pair<long, long>> RowOfOutputLine(const std::string& line) {
    long row = -1, col = -1;
    if (std::sscanf(line.c_str(), "Error(row:%ld Col:%ld)", &row, &col) == 2 && row >= 0) return std::pair{row, col};
    if (std::sscanf(line.c_str(), "Error (row %ld)", &row) == 1 && row >= 0) return std::pair{row, -1L};
    return std::nullopt;
}

}  // namespace lipsmith
