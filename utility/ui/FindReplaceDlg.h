// The script editor's modeless find and replace dialog (find-only for Find):
// it searches the script through the editor core, wraps around once, beeps
// when nothing is found, and moves out of the way of a match it covers.
// While it has the focus the host's shortcuts are off.
#pragma once
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Interface;

namespace lipsmith {

class ScriptEditControl;
class ScriptEditor;
struct FindOptions;

class FindReplaceDlg : public QDialog {
    Q_OBJECT
public:
    FindReplaceDlg(ScriptEditor& editor, ScriptEditControl& control, bool replace, QWidget* owner);
    ~FindReplaceDlg() override;

    // Hook: the system's beep (tests count them).
    static void (*beep)();

protected:
    bool event(QEvent* e) override;

private:
    FindOptions Options() const;
    void FindNext();
    void ReplaceOne();
    void ReplaceAll();
    void Found(bool found);
    void MoveOutOfTheWay();
    void SetShortcutsOff(bool off);

    ScriptEditor& editor_;
    ScriptEditControl& control_;
    Interface& ip_;
    bool replace_;
    bool shortcutsOff_ = false;
    QLineEdit* what_;
    QLineEdit* with_ = nullptr;
    QCheckBox* wholeWord_;
    QCheckBox* matchCase_;
    QRadioButton* up_ = nullptr;
    QRadioButton* down_ = nullptr;
};

}  // namespace lipsmith
