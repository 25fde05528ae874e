// The windows of tag insertion: the right-click menu (menu 4015) built from
// its plain description, the eyes/brow property dialog and the pause dialog,
// each a view over the plain class that holds its fields.
#pragma once
#include <QDialog>
#include <QMenu>

#include "EyesTagDlg.h"
#include "TagMenu.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace lipsmith {

// A pop-up menu of the items; every item's object name is "ctl" and its id.
// `chosen` receives the id of the item the user picks.
QMenu* MakeTagMenu(const TagMenuItem& menu, QWidget* parent, int* chosen);

// "<eyes> Tag Property" / "<brow> Tag Property" (object name "EyesTagDlg").
class EyesTagDlgWindow : public QDialog {
    Q_OBJECT
public:
    EyesTagDlgWindow(EyesTagDlg& dlg, QWidget* owner);

private:
    void ShowEnabled();

    EyesTagDlg& dlg_;
    QLineEdit* offset_ = nullptr;
    QLabel* offsetLabel_ = nullptr;
    QLabel* offsetUnit_ = nullptr;
};

// "<silence> Properties" (object name "SilenceDlg").
class SilenceDlgWindow : public QDialog {
    Q_OBJECT
public:
    SilenceDlgWindow(SilenceDlg& dlg, QWidget* owner);
};

}  // namespace lipsmith
