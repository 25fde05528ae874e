// The script control of the script editor: a text widget that shows the
// editor's ScriptText (text, colours, selection) and hands every edit the
// user makes back to it, so the text and its undo history live in the model
// and the widget only draws. Colours follow the model: typed characters get
// the colour ColorAtCaret decides at each key press, and only what changed
// is recoloured, so typing into a long script stays fast.
#pragma once
#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <functional>

#include "ScriptDlg.h"
#include "TextPositions.h"

namespace lipsmith {

class ScriptEditControl : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ScriptEditControl(ScriptDlg& dlg, QWidget* parent = nullptr);
    ~ScriptEditControl() override;

    // The model's byte offsets and the widget's positions.
    int ToUnits(std::size_t bytes);
    std::size_t ToBytes(int units);

    // Edit commands of the editor's menu, on the model.
    void UndoEdit();
    void RedoEdit();
    void CutSelection();
    void CopySelection();
    void PasteClipboard();

    // Right-button release at a screen position (the tag menu); unset: a
    // plain menu of the clipboard commands.
    std::function<void(const QPoint& globalPos)> onContextMenu;
    std::function<void()> onFind;     // Ctrl+F
    std::function<void()> onReplace;  // Ctrl+H
    // The position field changed (mouse release, drag with the left button).
    std::function<void()> onPositionField;
    // Focus came or went (the host's shortcuts follow it).
    std::function<void(bool in)> onFocus;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void OnContentsChange(int position, int charsRemoved, int charsAdded);
    void OnCursorMoved();
    void OnModelChange(const TextChange& change);
    // Puts the model's text [from, to) into the document at the cursor, run by run.
    void InsertFromModel(QTextCursor& cursor, std::size_t from, std::size_t to);
    void ApplyColors(std::size_t from, std::size_t to);
    void ShowModelSelection();
    void ResyncAll();
    // The colour typing at the caret gives (before a key takes effect).
    void PrepareTyping();
    int DocumentLength() const;

    ScriptDlg& dlg_;
    ScriptText& text_;
    Utf16Index index_;
    std::size_t modelUnits_ = 0;  // UTF-16 length of the model's text
    int mirroring_ = 0;  // >0 while the widget and the model are being brought in step
    bool typing_ = false;
    QTextCharFormat formats_[3];
};

}  // namespace lipsmith
