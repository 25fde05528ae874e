// The Parser Output pane: the one log of a parse-and-speak run. Plain lines
// are black; warnings and errors are red and counted. The pane is read-only
// for the user, so it keeps no undo history.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ColoredText.h"

namespace lipsmith {

enum class OutputKind { Plain = 0, Warning = 1, Error = 2 };

class ParserOutput {
public:
    // Appends at the end in the kind's colour and counts warnings and errors.
    void Append(std::string_view text, OutputKind kind);
    // Replaces everything (black); the counters are left alone.
    void SetText(std::string_view text);
    void Clear() { SetText({}); }

    const std::string& Text() const { return content_.text; }
    const std::vector<TextColor>& Colors() const { return content_.colors; }
    std::vector<ColorRun> Runs() const { return RunsOf(content_.colors); }

    std::int32_t errorCount = 0;
    std::int32_t warningCount = 0;
    void ResetCounts() { errorCount = warningCount = 0; }

    // Told of every appended text (the command line echoes the pane as it
    // grows) and of every replacement of the whole text (with replaced = true).
    using Listener = std::function<void(std::string_view text, OutputKind kind, bool replaced)>;
    void SetListener(Listener listener) { listener_ = std::move(listener); }

private:
    ColoredText content_;
    Listener listener_;
};

// The row (and column, -1 when none) a line of the pane reports, for the
// lines "Error(row:R Col:C) - ..." and "Error (row R): ...".
std::optional<std::pair<long, long>> RowOfOutputLine(const std::string& line);

}  // namespace lipsmith
