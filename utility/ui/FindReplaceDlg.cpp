#include "FindReplaceDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ScriptEditControl.h"
#include "ScriptEditor.h"

namespace lipsmith {

namespace {

void SystemBeep() { QApplication::beep(); }

// While the wait cursor shows.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void (*FindReplaceDlg::beep)() = SystemBeep;

FindReplaceDlg::FindReplaceDlg(ScriptEditor& editor, ScriptEditControl& control, bool replace, QWidget* owner)
    : QDialog(owner), editor_(editor), control_(control), ip_(editor.Host()), replace_(replace) {
    setObjectName(replace ? "ScriptReplaceDlg" : "ScriptFindDlg");
    setWindowTitle(replace ? tr("Replace") : tr("Find"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* fields = new QGridLayout();
    auto* whatLabel = new QLabel(tr("Fi&nd what:"), this);
    what_ = new QLineEdit(this);
    what_->setObjectName("ctl1152");
    what_->setAccessibleName("Find what");
    whatLabel->setBuddy(what_);
    fields->addWidget(whatLabel, 0, 0);
    fields->addWidget(what_, 0, 1);
    if (replace) {
        auto* withLabel = new QLabel(tr("Re&place with:"), this);
        with_ = new QLineEdit(this);
        with_->setObjectName("ctl1153");
        with_->setAccessibleName("Replace with");
        withLabel->setBuddy(with_);
        fields->addWidget(withLabel, 1, 0);
        fields->addWidget(with_, 1, 1);
    }
    wholeWord_ = new QCheckBox(tr("Match &whole word only"), this);
    wholeWord_->setObjectName("ctl1040");
    wholeWord_->setAccessibleName("Match whole word only");
    matchCase_ = new QCheckBox(tr("Match &case"), this);
    matchCase_->setObjectName("ctl1041");
    matchCase_->setAccessibleName("Match case");
    matchCase_->setChecked(true);

    auto* left = new QVBoxLayout();
    left->addLayout(fields);
    auto* options = new QHBoxLayout();
    auto* boxes = new QVBoxLayout();
    boxes->addWidget(wholeWord_);
    boxes->addWidget(matchCase_);
    options->addLayout(boxes);
    if (!replace) {
        auto* direction = new QGroupBox(tr("Direction"), this);
        direction->setAccessibleName("Direction");
        up_ = new QRadioButton(tr("&Up"), direction);
        up_->setObjectName("ctl1056");
        up_->setAccessibleName("Up");
        down_ = new QRadioButton(tr("&Down"), direction);
        down_->setObjectName("ctl1057");
        down_->setAccessibleName("Down");
        down_->setChecked(true);
        auto* d = new QHBoxLayout(direction);
        d->addWidget(up_);
        d->addWidget(down_);
        options->addWidget(direction);
    }
    left->addLayout(options);

    auto* buttons = new QVBoxLayout();
    auto addButton = [&](const QString& text, const char* name, const char* accessible) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAccessibleName(accessible);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* findNext = addButton(tr("&Find Next"), "ctl1", "Find Next");
    findNext->setDefault(true);
    connect(findNext, &QPushButton::clicked, this, &FindReplaceDlg::FindNext);
    if (replace) {
        connect(addButton(tr("&Replace"), "ctl1024", "Replace"), &QPushButton::clicked, this,
                &FindReplaceDlg::ReplaceOne);
        connect(addButton(tr("Replace &All"), "ctl1025", "Replace All"), &QPushButton::clicked, this,
                &FindReplaceDlg::ReplaceAll);
    }
    connect(addButton(tr("Cancel"), "ctl2", "Cancel"), &QPushButton::clicked, this, &QDialog::close);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    // Pre-filled with the selected text (its first line).
    QString selected = control.textCursor().selectedText();
    selected = selected.section(QChar::ParagraphSeparator, 0, 0);
    what_->setText(selected);
    what_->selectAll();
    editor_.EndFindSeries();
}

FindReplaceDlg::~FindReplaceDlg() {
    SetShortcutsOff(false);
    editor_.EndFindSeries();
}

void FindReplaceDlg::SetShortcutsOff(bool off) {
    if (off == shortcutsOff_) return;
    shortcutsOff_ = off;
    if (off)
        ip_.DisableAccelerators();
    else
        ip_.EnableAccelerators();
}

bool FindReplaceDlg::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) SetShortcutsOff(true);
    if (e->type() == QEvent::WindowDeactivate) SetShortcutsOff(false);
    return QDialog::event(e);
}

FindOptions FindReplaceDlg::Options() const {
    FindOptions o;
    o.down = !up_ || !up_->isChecked();
    o.matchCase = matchCase_->isChecked();
    o.wholeWord = wholeWord_->isChecked();
    return o;
}

void FindReplaceDlg::Found(bool found) {
    if (!found) {
        beep();
        return;
    }
    control_.ensureCursorVisible();
    MoveOutOfTheWay();
}

void FindReplaceDlg::FindNext() {
    WaitCursor wait;
    Found(editor_.FindNext(what_->text().toStdString(), Options()).has_value());
}

void FindReplaceDlg::ReplaceOne() {
    WaitCursor wait;
    Found(editor_.Replace(what_->text().toStdString(), with_->text().toStdString(), Options()).has_value());
}

void FindReplaceDlg::ReplaceAll() {
    WaitCursor wait;
    editor_.ReplaceAll(what_->text().toStdString(), with_->text().toStdString(), Options());
    beep();
    control_.ensureCursorVisible();
}

void FindReplaceDlg::MoveOutOfTheWay() {
    // The match's place on the screen, from the control's selection.
    const QRect cursor = control_.cursorRect();
    const QRect match(control_.viewport()->mapToGlobal(cursor.topLeft()), cursor.size());
    QRect frame = frameGeometry();
    if (!frame.intersects(match)) return;
    const QScreen* screen = this->screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    if (match.top() - frame.height() - 20 >= area.top())
        move(x(), match.top() - frame.height() - 20);
    else if (match.bottom() + 40 + frame.height() <= area.bottom())
        move(x(), match.bottom() + 40);
}

}  // namespace lipsmith
