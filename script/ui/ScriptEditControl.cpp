#include "ScriptEditControl.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextDocument>

#include "ScriptColoring.h"

namespace lipsmith {

namespace {

QString ToQString(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
}

// Text taken from the widget as the model holds it: every break a "\n".
std::string FromWidgetText(QString text) {
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text.toStdString();
}

bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

ScriptEditControl::ScriptEditControl(ScriptDlg& dlg, QWidget* parent)
    : QPlainTextEdit(parent), dlg_(dlg), text_(dlg.Script()) {
    setObjectName("ctl4001");
    setAccessibleName("Script");
    setUndoRedoEnabled(false);  // the model keeps the undo history
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Arial 8 point, as the editor's RTF asks for.
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    document()->setDefaultFont(font);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(200, 200, 225));
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    const QColor colors[3] = {QColor(0, 0, 0), QColor(255, 0, 0), QColor(0, 0, 255)};
    for (int i = 0; i < 3; ++i) formats_[i].setForeground(colors[i]);

    connect(document(), &QTextDocument::contentsChange, this, &ScriptEditControl::OnContentsChange);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &ScriptEditControl::OnCursorMoved);
    connect(this, &QPlainTextEdit::selectionChanged, this, &ScriptEditControl::OnCursorMoved);
    text_.SetChangeObserver([this](const TextChange& change) { OnModelChange(change); });
    ResyncAll();
}

ScriptEditControl::~ScriptEditControl() { text_.SetChangeObserver(nullptr); }

int ScriptEditControl::DocumentLength() const { return document()->characterCount() - 1; }

int ScriptEditControl::ToUnits(std::size_t bytes) { return static_cast<int>(index_.ToUnits(text_.Text(), bytes)); }

std::size_t ScriptEditControl::ToBytes(int units) {
    return index_.ToBytes(text_.Text(), static_cast<std::size_t>(std::max(units, 0)));
}

// --- Model to widget -----------------------------------------------------------------

void ScriptEditControl::InsertFromModel(QTextCursor& cursor, std::size_t from, std::size_t to) {
    const std::string& text = text_.Text();
    const std::vector<TextColor>& colors = text_.Colors();
    for (std::size_t i = from; i < to;) {
        std::size_t j = i + 1;
        while (j < to && (colors[j] == colors[i] || Continuation(text[j]))) ++j;
        cursor.insertText(ToQString(std::string_view(text).substr(i, j - i)),
                          formats_[static_cast<int>(colors[i])]);
        i = j;
    }
}

void ScriptEditControl::ApplyColors(std::size_t from, std::size_t to) {
    const std::string& text = text_.Text();
    const std::vector<TextColor>& colors = text_.Colors();
    to = std::min(to, text.size());
    if (from >= to) return;
    ++mirroring_;
    QTextCursor cursor(document());
    int units = ToUnits(from);
    for (std::size_t i = from; i < to;) {
        std::size_t j = i + 1;
        while (j < to && (colors[j] == colors[i] || Continuation(text[j]))) ++j;
        const int length = static_cast<int>(Utf16Length(std::string_view(text).substr(i, j - i)));
        cursor.setPosition(units);
        cursor.setPosition(units + length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(formats_[static_cast<int>(colors[i])]);
        units += length;
        i = j;
    }
    --mirroring_;
}

void ScriptEditControl::ShowModelSelection() {
    const int start = ToUnits(text_.SelectionStart());
    const int end = ToUnits(text_.SelectionEnd());
    QTextCursor cursor = textCursor();
    if (cursor.selectionStart() == start && cursor.selectionEnd() == end) return;
    ++mirroring_;
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
    --mirroring_;
}

void ScriptEditControl::ResyncAll() {
    ++mirroring_;
    index_.Reset();
    modelUnits_ = Utf16Length(text_.Text());
    document()->clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    InsertFromModel(cursor, 0, text_.Length());
    cursor.endEditBlock();
    --mirroring_;
    ShowModelSelection();
}

void ScriptEditControl::OnModelChange(const TextChange& change) {
    switch (change.kind) {
        case TextChange::Kind::Text: {
            const std::string& text = text_.Text();
            const std::size_t removedUnits = Utf16Length(change.removedText);
            const std::size_t insertedUnits = Utf16Length(std::string_view(text).substr(change.pos, change.inserted));
            // Offsets before the change are the same in the old and the new text.
            const int at = ToUnits(change.pos);
            index_.Edit(change.pos, change.removedText.size(), removedUnits, change.inserted, insertedUnits);
            modelUnits_ = modelUnits_ - removedUnits + insertedUnits;
            if (mirroring_) {
                // The widget made this edit itself; only the colours may differ.
                ApplyColors(change.pos, change.pos + change.inserted);
                return;
            }
            ++mirroring_;
            QTextCursor cursor(document());
            cursor.beginEditBlock();
            cursor.setPosition(at);
            cursor.setPosition(at + static_cast<int>(removedUnits), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            InsertFromModel(cursor, change.pos, change.pos + change.inserted);
            cursor.endEditBlock();
            --mirroring_;
            if (modelUnits_ != static_cast<std::size_t>(DocumentLength())) ResyncAll();
            ShowModelSelection();
            break;
        }
        case TextChange::Kind::Colors:
            ApplyColors(change.pos, change.pos + change.inserted);
            break;
        case TextChange::Kind::Selection:
            if (!mirroring_) ShowModelSelection();
            break;
    }
}

// --- Widget to model ------------------------------------------------------------------

void ScriptEditControl::OnContentsChange(int position, int charsRemoved, int charsAdded) {
    if (mirroring_) return;
    const int length = DocumentLength();
    const std::string& old = text_.Text();
    std::size_t start = 0, end = old.size();
    std::string inserted;
    if (static_cast<long long>(modelUnits_) - charsRemoved + charsAdded == length) {
        QTextCursor cursor(document());
        cursor.setPosition(position);
        cursor.setPosition(position + charsAdded, QTextCursor::KeepAnchor);
        inserted = FromWidgetText(cursor.selectedText());
        start = ToBytes(position);
        end = ToBytes(position + charsRemoved);
    } else {
        // A report that does not add up: take the part of the whole text that
        // differs from the model.
        const std::string now = FromWidgetText(document()->toPlainText());
        while (start < old.size() && start < now.size() && old[start] == now[start]) ++start;
        while (start > 0 && Continuation(old[start])) --start;
        std::size_t tail = 0;
        while (tail < old.size() - start && tail < now.size() - start &&
               old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
            ++tail;
        while (tail > 0 && Continuation(old[old.size() - tail])) --tail;
        end = old.size() - tail;
        inserted = now.substr(start, now.size() - tail - start);
    }
    ++mirroring_;
    text_.SetSelection(start, end);
    if (typing_ && !inserted.empty())
        text_.TypeText(inserted);
    else
        text_.ReplaceSelection(ColoredText(inserted, text_.InsertionColor()), true);
    --mirroring_;
    if (modelUnits_ != static_cast<std::size_t>(DocumentLength())) ResyncAll();
}

void ScriptEditControl::OnCursorMoved() {
    if (mirroring_ || modelUnits_ != static_cast<std::size_t>(DocumentLength())) return;
    const QTextCursor cursor = textCursor();
    ++mirroring_;
    text_.SetSelection(ToBytes(cursor.selectionStart()), ToBytes(cursor.selectionEnd()));
    --mirroring_;
}

void ScriptEditControl::PrepareTyping() {
    OnCursorMoved();  // the model's caret is where the widget's is
    if (!text_.SelectionEmpty()) return;
    const TextColor color = dlg_.ColorAtCaret();
    setCurrentCharFormat(formats_[static_cast<int>(color)]);
}

// --- Events ---------------------------------------------------------------------------

void ScriptEditControl::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Undo)) return UndoEdit();
    if (e->matches(QKeySequence::Redo) || (e->modifiers() == Qt::ControlModifier && e->key() == Qt::Key_Y))
        return RedoEdit();
    if (e->modifiers() == Qt::ControlModifier && e->key() == Qt::Key_F) {
        if (onFind) onFind();
        return;
    }
    if (e->modifiers() == Qt::ControlModifier && e->key() == Qt::Key_H) {
        if (onReplace) onReplace();
        return;
    }
    if (e->matches(QKeySequence::Cut)) return CutSelection();
    PrepareTyping();
    const QString t = e->text();
    typing_ = !t.isEmpty() && (t.at(0) >= QLatin1Char(' ') || t == QLatin1String("\r") || t == QLatin1String("\t")) &&
              t.at(0) != QChar(0x7F) && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    QPlainTextEdit::keyPressEvent(e);
    typing_ = false;
}

void ScriptEditControl::inputMethodEvent(QInputMethodEvent* e) {
    if (!e->commitString().isEmpty()) PrepareTyping();
    typing_ = true;
    QPlainTextEdit::inputMethodEvent(e);
    typing_ = false;
}

void ScriptEditControl::mouseReleaseEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton) return;
    OnCursorMoved();
    dlg_.UpdatePositionField();
    if (onPositionField) onPositionField();
}

void ScriptEditControl::mouseMoveEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseMoveEvent(e);
    if (!(e->buttons() & Qt::LeftButton)) return;
    OnCursorMoved();
    dlg_.UpdatePositionField();
    if (onPositionField) onPositionField();
}

void ScriptEditControl::contextMenuEvent(QContextMenuEvent* e) {
    if (onContextMenu) return onContextMenu(e->globalPos());
    QMenu menu(this);
    menu.addAction(tr("Cu&t"), this, &ScriptEditControl::CutSelection)->setEnabled(!text_.SelectionEmpty());
    menu.addAction(tr("&Copy"), this, &ScriptEditControl::CopySelection)->setEnabled(!text_.SelectionEmpty());
    menu.addAction(tr("&Paste"), this, &ScriptEditControl::PasteClipboard)->setEnabled(canPaste());
    menu.addSeparator();
    menu.addAction(tr("Select &All"), this, [this] { text_.SelectAll(); });
    menu.exec(e->globalPos());
}

void ScriptEditControl::focusInEvent(QFocusEvent* e) {
    QPlainTextEdit::focusInEvent(e);
    if (onFocus) onFocus(true);
}

void ScriptEditControl::focusOutEvent(QFocusEvent* e) {
    QPlainTextEdit::focusOutEvent(e);
    if (onFocus) onFocus(false);
}

// --- Edit commands ------------------------------------------------------------------

void ScriptEditControl::UndoEdit() { text_.Undo(); }
void ScriptEditControl::RedoEdit() { text_.Redo(); }

void ScriptEditControl::CopySelection() {
    OnCursorMoved();
    if (!text_.SelectionEmpty()) QApplication::clipboard()->setText(ToQString(text_.SelectedText()));
}

void ScriptEditControl::CutSelection() {
    OnCursorMoved();
    if (text_.SelectionEmpty()) return;
    CopySelection();
    text_.ReplaceSelection(ColoredText(), true);
}

void ScriptEditControl::PasteClipboard() {
    PrepareTyping();
    paste();
}

}  // namespace lipsmith
