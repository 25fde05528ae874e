#include "ScriptText.h"

#include <algorithm>
#include <utility>

namespace lipsmith {

std::vector<ColorRun> RunsOf(const std::vector<TextColor>& colors) {
    std::vector<ColorRun> runs;
    for (std::size_t i = 0; i < colors.size();) {
        std::size_t j = i + 1;
        while (j < colors.size() && colors[j] == colors[i]) ++j;
        runs.push_back({i, j - i, colors[i]});
        i = j;
    }
    return runs;
}

std::size_t BreakLengthAt(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    if (text[pos] == '\n') return 1;
    if (text[pos] == '\r') return (pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
    return 0;
}

std::size_t LineOfOffset(const std::string& text, std::size_t pos) {
    pos = std::min(pos, text.size());
    std::size_t line = 0;
    for (std::size_t i = 0; i < pos;) {
        const std::size_t b = BreakLengthAt(text, i);
        if (b == 0) {
            ++i;
        } else if (i + b <= pos) {
            ++line;
            i += b;
        } else {
            break;  // inside a "\r\n": still the line before it
        }
    }
    return line;
}

void ScriptText::SetSelection(std::size_t start, std::size_t end) {
    start = std::min(start, Length());
    end = std::min(end, Length());
    if (start > end) std::swap(start, end);
    if (start == selStart_ && end == selEnd_) return;
    selStart_ = start;
    selEnd_ = end;
    typingOpen_ = false;
    Changed(TextChange{});
}

std::string ScriptText::SelectedText() const {
    return content_.text.substr(selStart_, selEnd_ - selStart_);
}

std::string ScriptText::Splice(std::size_t pos, std::size_t removeCount, const ColoredText& insert) {
    lowestChange_ = std::min(lowestChange_, pos);
    std::string removed = observer_ ? content_.text.substr(pos, removeCount) : std::string();
    content_.text.replace(pos, removeCount, insert.text);
    content_.colors.erase(content_.colors.begin() + static_cast<std::ptrdiff_t>(pos),
                          content_.colors.begin() + static_cast<std::ptrdiff_t>(pos + removeCount));
    content_.colors.insert(content_.colors.begin() + static_cast<std::ptrdiff_t>(pos),
                           insert.colors.begin(), insert.colors.end());
    return removed;
}

void ScriptText::Record(Edit edit, bool undoable) {
    redo_.clear();
    if (undoable)
        undo_.push_back(std::move(edit));
    else
        undo_.clear();
}

void ScriptText::ReplaceSelection(const ColoredText& text, bool undoable) {
    Edit edit;
    edit.pos = selStart_;
    edit.selStartBefore = selStart_;
    edit.selEndBefore = selEnd_;
    if (undoable) {
        edit.removed.text = content_.text.substr(selStart_, selEnd_ - selStart_);
        edit.removed.colors.assign(content_.colors.begin() + static_cast<std::ptrdiff_t>(selStart_),
                                   content_.colors.begin() + static_cast<std::ptrdiff_t>(selEnd_));
        edit.inserted = text;
    }
    std::string removed = Splice(selStart_, selEnd_ - selStart_, text);
    selStart_ = selEnd_ = edit.pos + text.text.size();
    edit.selStartAfter = edit.selEndAfter = selEnd_;
    Record(std::move(edit), undoable);
    typingOpen_ = false;
    modified_ = true;
    TextChanged(selStart_ - text.text.size(), std::move(removed), text.text.size());
}

void ScriptText::SetContent(const ColoredText& text, bool undoable) {
    Edit edit;
    edit.pos = 0;
    edit.selStartBefore = selStart_;
    edit.selEndBefore = selEnd_;
    lowestChange_ = 0;
    std::string removed = observer_ ? content_.text : std::string();
    if (undoable) {
        edit.removed = std::move(content_);
        edit.inserted = text;
    }
    content_ = text;
    selStart_ = selEnd_ = 0;
    Record(std::move(edit), undoable);
    typingOpen_ = false;
    modified_ = true;
    TextChanged(0, std::move(removed), content_.text.size());
}

void ScriptText::TypeText(const std::string& text) {
    if (text.empty()) return;
    const ColoredText typed(text, insertionColor_);
    if (typingOpen_ && SelectionEmpty() && !undo_.empty()) {
        Edit& last = undo_.back();
        if (last.pos + last.inserted.text.size() == selEnd_) {
            const std::size_t at = selEnd_;
            Splice(at, 0, typed);
            last.inserted.text += typed.text;
            last.inserted.colors.insert(last.inserted.colors.end(), typed.colors.begin(),
                                        typed.colors.end());
            selStart_ = selEnd_ = selEnd_ + text.size();
            last.selStartAfter = last.selEndAfter = selEnd_;
            redo_.clear();
            modified_ = true;
            TextChanged(at, std::string(), text.size());
            return;
        }
    }
    ReplaceSelection(typed, true);
    typingOpen_ = true;
}

void ScriptText::Recolor(std::size_t start, std::size_t length, TextColor color) {
    start = std::min(start, Length());
    length = std::min(length, Length() - start);
    if (length == 0) return;
    std::fill_n(content_.colors.begin() + static_cast<std::ptrdiff_t>(start), length, color);
    // Keep an open typing step in step, so redo brings back what is shown.
    if (typingOpen_ && !undo_.empty()) {
        Edit& last = undo_.back();
        for (std::size_t i = start; i < start + length; ++i)
            if (i >= last.pos && i < last.pos + last.inserted.colors.size())
                last.inserted.colors[i - last.pos] = color;
    }
    TextChange change;
    change.kind = TextChange::Kind::Colors;
    change.pos = start;
    change.inserted = length;
    Changed(std::move(change));
}

bool ScriptText::Undo() {
    if (undo_.empty()) return false;
    Edit edit = std::move(undo_.back());
    undo_.pop_back();
    std::string removed = Splice(edit.pos, edit.inserted.text.size(), edit.removed);
    selStart_ = edit.selStartBefore;
    selEnd_ = edit.selEndBefore;
    const std::size_t pos = edit.pos, inserted = edit.removed.text.size();
    redo_.push_back(std::move(edit));
    typingOpen_ = false;
    modified_ = true;
    TextChanged(pos, std::move(removed), inserted);
    return true;
}

bool ScriptText::Redo() {
    if (redo_.empty()) return false;
    Edit edit = std::move(redo_.back());
    redo_.pop_back();
    std::string removed = Splice(edit.pos, edit.removed.text.size(), edit.inserted);
    selStart_ = edit.selStartAfter;
    selEnd_ = edit.selEndAfter;
    const std::size_t pos = edit.pos, inserted = edit.inserted.text.size();
    undo_.push_back(std::move(edit));
    typingOpen_ = false;
    modified_ = true;
    TextChanged(pos, std::move(removed), inserted);
    return true;
}

void ScriptText::ClearUndo() {
    undo_.clear();
    redo_.clear();
    typingOpen_ = false;
}

std::size_t ScriptText::LineCount() const {
    return LineOfOffset(content_.text, Length()) + 1;
}

std::size_t ScriptText::LineFromChar(std::size_t pos) const {
    return LineOfOffset(content_.text, pos);
}

std::optional<std::size_t> ScriptText::LineIndex(std::size_t line) const {
    const std::string& t = content_.text;
    std::size_t i = 0;
    for (std::size_t l = 0; l < line; ++l) {
        while (i < t.size() && BreakLengthAt(t, i) == 0) ++i;
        if (i >= t.size()) return std::nullopt;
        i += BreakLengthAt(t, i);
    }
    return i;
}

std::size_t ScriptText::LineLength(std::size_t line) const {
    const auto start = LineIndex(line);
    if (!start) return 0;
    std::size_t end = *start;
    while (end < Length() && BreakLengthAt(content_.text, end) == 0) ++end;
    return end - *start;
}

bool ScriptText::SelectLine(std::size_t line) {
    const auto start = LineIndex(line);
    if (!start) return false;
    SetSelection(*start, *start + LineLength(line));
    return true;
}

void ScriptText::TextChanged(std::size_t pos, std::string removed, std::size_t inserted) {
    TextChange change;
    change.kind = TextChange::Kind::Text;
    change.pos = pos;
    change.inserted = inserted;
    change.removedText = std::move(removed);
    Changed(std::move(change));
}

void ScriptText::Changed(TextChange change) {
    if (observer_) observer_(change);
    if (listener_) listener_();
}

}  // namespace lipsmith
