// The script editor's window ("Speech Dialog Editor"): a view over the
// Qt-free ScriptEditor with the script control, the position field, the
// actors tree, the Parser Output pane, the key creation options, the run
// button and the menus. Control and menu item object names are "ctl" and the
// identifier (ctl4001, ctl4013 ...). During a run the window keeps painting
// and the progress window's Stop keeps working: the run's wait handles Qt's
// events and the speech notifications as they come.
#pragma once
#include <QDialog>
#include <QPointer>
#include <map>
#include <set>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class Interface;

namespace lipsmith {

class FindReplaceDlg;
class OutputPane;
class ProgressDlg;
class ScriptEditControl;
class ScriptEditor;
enum class EditorChange;

class ScriptDlgWindow : public QDialog {
    Q_OBJECT
public:
    ScriptDlgWindow(ScriptEditor& editor, Interface& ip, QWidget* owner);
    ~ScriptDlgWindow() override;

    // Shows the window, lays it out for its size and gives the script the focus.
    void ShowEditor();
    ScriptEditControl& ScriptControl() { return *script_; }
    // The find dialog open now, if any.
    FindReplaceDlg* FindDialog() const;

    // Escape: the Close button (with its save prompt).
    void reject() override;

    // The script's right-click menu at a screen position, and the command
    // of one of its items.
    void ShowTagMenu(const QPoint& globalPos);
    void TagCommand(int id);

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildMenus();
    void BuildControls();
    void LayOut();
    void OnChange(EditorChange what);
    void ShowTitle();
    void ShowOptions();
    void ShowMode();
    void ShowInFrame();
    void ShowActors();
    void ShowPosition();
    void SetRunControlsEnabled(bool enabled);
    void RunButton();
    void CloseCommand();
    void OpenFind(bool replace);
    void ShowHelp();
    QAction* AddItem(class QMenu* menu, const char* text, int id);

    ScriptEditor& editor_;
    Interface& ip_;
    QMenuBar* menuBar_;
    QWidget* client_;
    std::map<int, QAction*> actions_;
    QGroupBox* scriptGroup_;
    ScriptEditControl* script_;
    QLineEdit* position_;
    QGroupBox* actorsGroup_;
    QTreeWidget* actors_;
    QGroupBox* outputGroup_;
    OutputPane* output_;
    QGroupBox* keyGroup_;
    QRadioButton* insert_;
    QRadioButton* replace_;
    QLabel* inFrameLabel_;
    QLineEdit* inFrame_;
    QToolButton* lock_;
    QCheckBox* deleteAfter_;
    QCheckBox* scratch_;
    QCheckBox* undo_;
    QPushButton* parse_;
    QPushButton* close_;
    QPointer<FindReplaceDlg> find_;
    ProgressDlg* progress_ = nullptr;
    bool runControlsEnabled_ = true;
    void SetShortcutsOff(const QObject* source, bool off);
    std::set<const QObject*> shortcutsOff_;  // fields with the focus that turn the host's shortcuts off
};

}  // namespace lipsmith
