// The script editor's text: the whole script with a colour per character, the
// selection and caret, the modified mark and an undo history.
//
// Line breaks: text coloured and read back from the editor's RTF holds "\n"
// for every paragraph mark. Text put in directly may also hold "\r\n" or a
// lone "\r"; line numbers count a break of any of these kinds ("\r\n" once),
// exactly as the colouring turns each of them into one paragraph.
//
// Every edit is one undo step (an insertion undoes in one step); consecutive
// typed characters form one step. An edit that is not undoable empties the
// history, because the recorded positions would no longer fit the text.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ColoredText.h"

namespace lipsmith {

// What changed in a ScriptText, for a view that mirrors it piece by piece.
struct TextChange {
    enum class Kind { Text, Colors, Selection };
    Kind kind = Kind::Selection;
    // Text: bytes [pos, pos + removedText.size()) of the old text became
    // [pos, pos + inserted) of the new one. Colors: [pos, pos + inserted)
    // were recoloured. Selection: only the selection moved.
    std::size_t pos = 0;
    std::size_t inserted = 0;
    std::string removedText;
};

class ScriptText {
public:
    const std::string& Text() const { return content_.text; }
    const std::vector<TextColor>& Colors() const { return content_.colors; }
    std::size_t Length() const { return content_.text.size(); }
    std::vector<ColorRun> Runs() const { return RunsOf(content_.colors); }

    // Selection [start, end); the caret stands at its end. Positions beyond the
    // text are taken as its end; reversed positions are swapped.
    void SetSelection(std::size_t start, std::size_t end);
    void SelectAll() { SetSelection(0, Length()); }
    void MoveCaretToStart() { SetSelection(0, 0); }
    void MoveCaretToEnd() { SetSelection(Length(), Length()); }
    std::size_t SelectionStart() const { return selStart_; }
    std::size_t SelectionEnd() const { return selEnd_; }
    std::size_t Caret() const { return selEnd_; }
    bool SelectionEmpty() const { return selStart_ == selEnd_; }
    std::string SelectedText() const;

    // Replaces the selection; the caret ends after the new text.
    void ReplaceSelection(const ColoredText& text, bool undoable);
    // Replaces the whole content; the caret goes to the start.
    void SetContent(const ColoredText& text, bool undoable);
    // A typed character (or several): coloured with the insertion colour and
    // merged into the previous typing step while the caret has not moved.
    void TypeText(const std::string& text);

    // The colour the next typed character gets.
    TextColor InsertionColor() const { return insertionColor_; }
    void SetInsertionColor(TextColor color) { insertionColor_ = color; }
    // Changes colours only: not an edit, not recorded, not a modification.
    void Recolor(std::size_t start, std::size_t length, TextColor color);

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    bool Undo();
    bool Redo();
    void ClearUndo();

    // The lowest position the text has changed at since the last reset
    // (SIZE_MAX: unchanged), for caches of what lies before a position.
    std::size_t LowestChangeSinceReset() const { return lowestChange_; }
    void ResetLowestChange() { lowestChange_ = static_cast<std::size_t>(-1); }

    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // Lines, zero-based. Every text has at least one line.
    std::size_t LineCount() const;
    std::size_t LineFromChar(std::size_t pos) const;
    // First character of the line; nothing when the text has fewer lines.
    std::optional<std::size_t> LineIndex(std::size_t line) const;
    // Characters of the line without its break (0 for a line that does not exist).
    std::size_t LineLength(std::size_t line) const;
    // Selects the line's text without its break; false when there is no such line.
    bool SelectLine(std::size_t line);

    // Called after every change of text, colours or selection (for a view).
    void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }
    // The same, told what changed (every text change also moves the selection).
    void SetChangeObserver(std::function<void(const TextChange&)> observer) { observer_ = std::move(observer); }

private:
    struct Edit {
        std::size_t pos = 0;
        ColoredText removed;
        ColoredText inserted;
        std::size_t selStartBefore = 0, selEndBefore = 0;
        std::size_t selStartAfter = 0, selEndAfter = 0;
    };

    // Answers the removed text when an observer wants it.
    std::string Splice(std::size_t pos, std::size_t removeCount, const ColoredText& insert);
    void Record(Edit edit, bool undoable);
    void Changed(TextChange change);
    void TextChanged(std::size_t pos, std::string removed, std::size_t inserted);

    ColoredText content_;
    std::size_t selStart_ = 0;
    std::size_t selEnd_ = 0;
    TextColor insertionColor_ = TextColor::Black;
    bool modified_ = false;
    bool typingOpen_ = false;  // the last undo step is typing that may grow
    std::size_t lowestChange_ = 0;
    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    std::function<void()> listener_;
    std::function<void(const TextChange&)> observer_;
};

// Line arithmetic shared by the text model and the parser (which counts rows
// in the text it was given): breaks are "\r\n", "\r" or "\n".
std::size_t BreakLengthAt(const std::string& text, std::size_t pos);
std::size_t LineOfOffset(const std::string& text, std::size_t pos);

}  // namespace lipsmith
