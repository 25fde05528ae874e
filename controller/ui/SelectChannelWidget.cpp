#include "SelectChannelWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ChannelPictures.h"
#include "DialogUnits.h"
#include "ScalarArrows.h"
#include "ScalarField.h"
#include "SelectChannelDialog.h"

namespace lipsmith {

SelectChannelWidget::SelectChannelWidget(SelectChannelDialog& dialog, QWidget* parent, const QString& caption)
    : QDialog(parent), dialog_(&dialog) {
    setObjectName(QStringLiteral("SelectChannel"));
    setModal(false);
    setWindowTitle(caption.isEmpty() ? tr("Select Channel") : caption);

    channels_ = new QComboBox(this);
    channels_->setObjectName(QStringLiteral("ctl1040"));
    channels_->setAccessibleName(tr("Channel"));
    channels_->setMaxVisibleItems(kNumChannels);
    for (ChannelId c = kFirstChannel; c <= kLastChannel; ++c)
        channels_->addItem(QString::fromLatin1(ChannelName(c)), QVariant(static_cast<int>(c)));

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("ctl1041"));
    picture_->setAccessibleName(tr("Channel picture"));
    picture_->setAlignment(Qt::AlignCenter);

    scalarLabel_ = new QLabel(tr("Scalar"), this);
    scalarLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    scalar_ = new ScalarField(this);
    scalar_->setObjectName(QStringLiteral("ctl1043"));
    scalar_->setAccessibleName(tr("Scalar"));
    scalarLabel_->setBuddy(scalar_);

    arrows_ = new ScalarArrows(this);
    arrows_->setObjectName(QStringLiteral("ctl1045"));
    arrows_->setAccessibleName(tr("Scalar arrows"));

    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("ctl2"));
    cancel_->setAccessibleName(tr("Cancel"));
    cancel_->setAutoDefault(false);
    accept_ = new QPushButton(tr("Accept"), this);
    accept_->setObjectName(QStringLiteral("ctl1"));
    accept_->setAccessibleName(tr("Accept"));
    accept_->setDefault(true);

    setTabOrder(channels_, scalar_);
    setTabOrder(scalar_, accept_);
    setTabOrder(accept_, cancel_);
    Layout();

    connect(channels_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (dialog_) dialog_->ChannelSelected(index);
    });
    connect(scalar_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (dialog_) dialog_->ScalarTyped(text.toStdString());
    });
    connect(scalar_, &ScalarField::focusChanged, this, [this](bool gained) {
        if (dialog_) dialog_->ScalarFocusChanged(gained);
    });
    connect(scalar_, &ScalarField::stepRequested, this, &SelectChannelWidget::OnStep);
    connect(arrows_, &ScalarArrows::stepRequested, this, &SelectChannelWidget::OnStep);
    connect(cancel_, &QPushButton::clicked, this, &SelectChannelWidget::reject);
    connect(accept_, &QPushButton::clicked, this, &SelectChannelWidget::accept);

    ShowChannel();
}

SelectChannelWidget::~SelectChannelWidget() {
    // The base class hides the window, and the field then reports losing the
    // focus: no signal may reach this half-destroyed window.
    for (QObject* child : children()) child->disconnect(this);
    // Closed by its owner while the field had the focus.
    if (dialog_) dialog_->ScalarFocusChanged(false);
    dialog_ = nullptr;
}

void SelectChannelWidget::Layout() {
    const DialogUnits du{QFontMetricsF(font())};
    setFixedSize(du.X(182), du.Y(74));

    QRect list = du.Rect(9, 9, 95, 13);
    list.setSize(QSize(std::max(list.width(), channels_->sizeHint().width()), channels_->sizeHint().height()));
    channels_->setGeometry(list);
    picture_->setGeometry(du.Rect(9, 28, 41, 38));

    const QRect field = du.Rect(130, 10, 29, 13);
    scalar_->setGeometry(field);
    // The arrows sit flush against the field, as attached arrows do.
    arrows_->setGeometry(field.right() + 1, field.top(), du.Rect(160, 8, 11, 16).width(), field.height());
    // The label ends where the field begins and is centred on it.
    const QRect label = du.Rect(108, 12, 21, 8);
    const int labelWidth = std::max(label.width(), scalarLabel_->sizeHint().width());
    const int labelHeight = scalarLabel_->sizeHint().height();
    scalarLabel_->setGeometry(field.left() - du.X(2) - labelWidth, field.center().y() - labelHeight / 2 + 1,
                              labelWidth, labelHeight);

    cancel_->setGeometry(du.Rect(88, 50, 41, 16));
    accept_->setGeometry(du.Rect(130, 50, 41, 16));
}

void SelectChannelWidget::ShowChannel() {
    if (!dialog_) return;
    {
        const QSignalBlocker block(channels_);
        channels_->setCurrentIndex(dialog_->SelectedIndex());
    }
    const QImage& image = ChannelPicture(IsValidChannel(dialog_->Channel())
                                             ? FindChannel(dialog_->Channel())->bitmapResource
                                             : 0);
    picture_->setPixmap(QPixmap::fromImage(image));
    picture_->setAccessibleDescription(channels_->currentText());
    ShowScalar();
}

void SelectChannelWidget::ShowScalar() {
    if (dialog_) scalar_->setText(QString::number(dialog_->Scalar()));
}

void SelectChannelWidget::OnStep(int step) {
    if (dialog_) dialog_->ArrowStep(step);
}

void SelectChannelWidget::RepaintTrackViews() {
    // The floating track views and the dialog boxes, with everything inside
    // them: their rows are child widgets.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() != QLatin1String("TVPopUp") && !qobject_cast<QDialog*>(top)) continue;
        top->update();
        for (QWidget* child : top->findChildren<QWidget*>()) child->update();
    }
}

void SelectChannelWidget::accept() {
    if (dialog_) dialog_->Accept();
    else QDialog::accept();
}

void SelectChannelWidget::reject() {
    if (dialog_) dialog_->Cancel();
    else QDialog::reject();
}

}  // namespace lipsmith
