#include "TagDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace lipsmith {

namespace {

QString Id(int id) { return QStringLiteral("ctl%1").arg(id); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

template <class W>
W* Named(W* w, int id, const char* accessible) {
    w->setObjectName(Id(id));
    w->setAccessibleName(QString::fromUtf8(accessible));
    return w;
}

QLineEdit* NumberEdit(QWidget* parent, bool signedNumber) {
    auto* edit = new QLineEdit(parent);
    const QString pattern = QStringLiteral("%1[0-9]{0,%2}").arg(signedNumber ? "-?" : "").arg(kTagDigitsMax);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
    edit->setMaximumWidth(70);
    return edit;
}

QLabel* Label(const char* text, QWidget* parent, QWidget* buddy = nullptr) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setAccessibleName(QString::fromUtf8(text));
    if (buddy) label->setBuddy(buddy);
    return label;
}

// OK and Cancel (ids 1 and 2), or OK alone.
QHBoxLayout* Buttons(QDialog* dialog, bool cancel) {
    auto* row = new QHBoxLayout();
    row->addStretch();
    auto* ok = Named(new QPushButton(QObject::tr("OK"), dialog), 1, "OK");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    row->addWidget(ok);
    if (cancel) {
        auto* c = Named(new QPushButton(QObject::tr("Cancel"), dialog), 2, "Cancel");
        QObject::connect(c, &QPushButton::clicked, dialog, &QDialog::reject);
        row->addWidget(c);
    }
    return row;
}

void AddItems(QMenu* menu, const std::vector<TagMenuItem>& items, int* chosen) {
    for (const TagMenuItem& item : items) {
        if (item.IsSeparator()) {
            menu->addSeparator();
        } else if (item.IsPopup()) {
            QMenu* sub = menu->addMenu(Q(item.label));
            QString name = Q(item.label);
            name.remove(QLatin1Char('&')).remove(QLatin1Char('<')).remove(QLatin1Char('>'));
            sub->setObjectName(QStringLiteral("menu") + name.replace(QLatin1Char(' '), QString()));
            sub->menuAction()->setObjectName(sub->objectName());
            AddItems(sub, item.items, chosen);
        } else {
            QAction* a = menu->addAction(Q(item.label));
            a->setObjectName(Id(item.id));
            a->setEnabled(item.enabled);
            const int id = item.id;
            QObject::connect(a, &QAction::triggered, menu, [chosen, id] { *chosen = id; });
        }
    }
}

}  // namespace

QMenu* MakeTagMenu(const TagMenuItem& menu, QWidget* parent, int* chosen) {
    auto* popup = new QMenu(parent);
    popup->setObjectName(Id(IDR_TAG_MENU));
    popup->setAccessibleName(QStringLiteral("Script"));
    AddItems(popup, menu.items, chosen);
    return popup;
}

EyesTagDlgWindow::EyesTagDlgWindow(EyesTagDlg& dlg, QWidget* owner) : QDialog(owner), dlg_(dlg) {
    setObjectName("EyesTagDlg");
    setWindowTitle(Q(dlg.Caption()));
    setModal(true);
    auto* grid = new QGridLayout();

    auto* node = Named(new QComboBox(this), IDC_TAG_NODE, "Node");
    // The blank first item is the speaking actor; the names follow sorted.
    node->addItem(QString());
    for (const std::string& name : dlg.Nodes()) node->addItem(Q(name));
    node->setCurrentIndex(0);
    node->setMinimumWidth(150);
    connect(node, &QComboBox::currentTextChanged, this, [this](const QString& t) { dlg_.SelectNode(t.toStdString()); });
    grid->addWidget(Label("Node", this, node), 0, 0);
    grid->addWidget(node, 0, 1, 1, 2);
    grid->addWidget(Label("(Leave blank for current)", this), 1, 1, 1, 3);

    auto* side = Named(new QComboBox(this), IDC_TAG_SIDE, "Side");
    for (const std::string& s : EyesTagDlg::Sides()) side->addItem(Q(s));
    side->setCurrentText(Q(dlg.Values().side));
    connect(side, &QComboBox::currentTextChanged, this, [this](const QString& t) { dlg_.SelectSide(t.toStdString()); });
    grid->addWidget(Label("Side", this, side), 2, 0);
    grid->addWidget(side, 2, 1);

    auto* check = Named(new QCheckBox(Q(dlg.CheckLabel()), this), IDC_TAG_CHECK, dlg.CheckLabel().c_str());
    check->setChecked(dlg.Values().checked);
    connect(check, &QCheckBox::toggled, this, [this](bool on) { dlg_.SetChecked(on); });
    grid->addWidget(check, 2, 2, 1, 2);

    auto* value = Named(new QLineEdit(Q(dlg.ValueText()), this), IDC_TAG_VALUE, "Value:");
    value->setMaximumWidth(70);
    connect(value, &QLineEdit::textChanged, this, [this](const QString& t) { dlg_.SetValueText(t.toStdString()); });
    grid->addWidget(Label("Value:", this, value), 3, 0);
    grid->addWidget(value, 3, 1);

    auto* duration = Named(NumberEdit(this, false), IDC_TAG_DURATION, "Duration:");
    duration->setText(Q(dlg.DurationText()));
    connect(duration, &QLineEdit::textChanged, this,
            [this](const QString& t) { dlg_.SetDurationText(t.toStdString()); });
    grid->addWidget(Label("Duration:", this, duration), 4, 0);
    grid->addWidget(duration, 4, 1);
    grid->addWidget(Label("msec.", this), 4, 2);

    auto* repeat = Named(NumberEdit(this, false), IDC_TAG_REPEAT, "Repeat:");
    repeat->setText(Q(dlg.RepeatText()));
    auto* repeatLabel = Named(Label("Repeat:", this, repeat), IDC_TAG_REPEAT_LABEL, "Repeat:");
    offset_ = Named(NumberEdit(this, false), IDC_TAG_OFFSET, "Repeat Offset:");
    offset_->setText(Q(dlg.OffsetText()));
    offsetLabel_ = Named(Label("Repeat Offset:", this, offset_), IDC_TAG_OFFSET_LABEL, "Repeat Offset:");
    offsetUnit_ = Named(Label("msec.", this), IDC_TAG_OFFSET_UNIT, "msec.");
    connect(repeat, &QLineEdit::textChanged, this, [this](const QString& t) {
        dlg_.SetRepeatText(t.toStdString());
        ShowEnabled();
    });
    connect(offset_, &QLineEdit::textChanged, this, [this](const QString& t) { dlg_.SetOffsetText(t.toStdString()); });
    grid->addWidget(repeatLabel, 5, 0);
    grid->addWidget(repeat, 5, 1);
    grid->addWidget(offsetLabel_, 6, 0);
    grid->addWidget(offset_, 6, 1);
    grid->addWidget(offsetUnit_, 6, 2);
    // Brows do not repeat.
    for (QWidget* w : std::initializer_list<QWidget*>{repeat, repeatLabel, offset_, offsetLabel_, offsetUnit_})
        w->setVisible(dlg.RepeatShown());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(Buttons(this, true));
    ShowEnabled();
    setFixedSize(sizeHint());
}

void EyesTagDlgWindow::ShowEnabled() {
    const bool on = dlg_.OffsetEnabled();
    offset_->setEnabled(on);
    offsetLabel_->setEnabled(on);
    offsetUnit_->setEnabled(on);
}

SilenceDlgWindow::SilenceDlgWindow(SilenceDlg& dlg, QWidget* owner) : QDialog(owner) {
    setObjectName("SilenceDlg");
    setWindowTitle(QString::fromUtf8(SilenceDlg::kCaption));
    setModal(true);
    auto* row = new QHBoxLayout();
    auto* msec = Named(NumberEdit(this, true), IDC_SILENCE_MSEC, "Silence");
    msec->setText(Q(dlg.Text()));
    connect(msec, &QLineEdit::textChanged, this, [&dlg](const QString& t) { dlg.SetText(t.toStdString()); });
    row->addWidget(Label("Silence", this, msec));
    row->addWidget(msec);
    row->addWidget(Label("msec.", this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(Buttons(this, false));
    setFixedSize(sizeHint());
}

}  // namespace lipsmith
