#include "ScriptDlg.h"

#include "CNumbers.h"
#include "ScriptMessages.h"
#include "ScriptRtfReader.h"
#include "TextPositions.h"
#include "XMLParse.h"

namespace lipsmith {

ScriptDlg::ScriptDlg() = default;
ScriptDlg::~ScriptDlg() = default;

void ScriptDlg::AppendParserOutput(const std::string& text, OutputKind kind) {
    output_.Append(text, kind);
}

void ScriptDlg::ToggleVerboseOutput() {
    verboseOutput = !verboseOutput;
    AppendParserOutput(verboseOutput ? msg::kVerboseOn : msg::kVerboseOff, OutputKind::Plain);
}

void ScriptDlg::InsertColoredText(const std::string& text, bool undoable) {
    script_.ReplaceSelection(ColorizedText(text), undoable);
}

void ScriptDlg::SetColoredScript(const std::string& text, bool undoable) {
    script_.SetContent(ColorizedText(text), undoable);
}

TextColor ScriptDlg::ColorAtCaret() {
    if (script_.LowestChangeSinceReset() < caretScan_.pos) caretScan_ = CaretScan{};
    script_.ResetLowestChange();
    const CaretColoring c = lipsmith::ColorAtCaret(script_.Text(), script_.Caret(), caretScan_);
    if (c.recolorPos) script_.Recolor(*c.recolorPos, 1, c.recolorTo);
    script_.SetInsertionColor(c.insertionColor);
    return c.insertionColor;
}

void ScriptDlg::UpdatePositionField() {
    const std::size_t start = script_.SelectionStart();
    const std::size_t line = script_.LineFromChar(start);
    const std::size_t first = script_.LineIndex(line).value_or(start);
    // Columns count characters, as the parser's error columns do.
    const std::string_view before(script_.Text().data() + first, start - first);
    SetPositionField(static_cast<long>(line), static_cast<long>(CharacterCount(before)));
}

void ScriptDlg::SetPositionField(long row, long col) {
    positionField_ = CFormat(msg::kPositionField, static_cast<int>(row), static_cast<int>(col));
}

}  // namespace lipsmith
