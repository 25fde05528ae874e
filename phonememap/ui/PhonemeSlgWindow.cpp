#include "PhonemeSlgWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "FacePainter.h"

namespace lipsmith {

namespace {

QString Id(int id) { return QStringLiteral("ctl%1").arg(id); }

template <class W>
W* Named(W* w, int id, const QString& accessible) {
    w->setObjectName(Id(id));
    w->setAccessibleName(accessible);
    return w;
}

}  // namespace

// --- MouthView ---------------------------------------------------------------------

MouthView::MouthView(QWidget* parent) : QWidget(parent) { setMinimumSize(48, 28); }

void MouthView::SetChannels(const MouthChannels& channels) {
    if (channels == channels_) return;
    channels_ = channels;
    update();
}

QSize MouthView::sizeHint() const { return {56, 30}; }

void MouthView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    face::PaintMouth(painter, QRectF(rect()), face::PoseFromMouth(channels_));
}

// --- The window ----------------------------------------------------------------------

PhonemeSlgWindow::PhonemeSlgWindow(PhonemeSlg& model, QWidget* owner) : QDialog(owner), model_(model) {
    setObjectName("PhonemeSlg");
    setWindowTitle(QString::fromUtf8(kPhonemeMapCaption));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("PhonemeSlgMenu");
    layout->setMenuBar(menuBar_);
    QMenu* file = menuBar_->addMenu(tr("&File"));
    file->setObjectName("menuFile");
    auto item = [&](const char* text, int id, auto handler) {
        QAction* a = file->addAction(QString::fromUtf8(text));
        a->setObjectName(Id(id));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    item("&Load", ID_MAP_LOAD, [this] { model_.Load(); });
    item("&Save", ID_MAP_SAVE, [this] { model_.Save(); });
    item("Save &As", ID_MAP_SAVE_AS, [this] { model_.SaveAs(); });
    file->addSeparator();
    item("&Exit", ID_MAP_EXIT, [this] { TryClose(); });

    // Left: the phoneme and its whole mouth; right: the ten parameters.
    auto* columns = new QHBoxLayout();
    auto* left = new QVBoxLayout();
    auto* phonemeLabel = new QLabel(tr("Phoneme"), this);
    phonemes_ = Named(new QComboBox(this), IDC_PHONEME_LIST, QStringLiteral("Phoneme"));
    phonemeLabel->setBuddy(phonemes_);
    for (const std::string& symbol : model_.Symbols()) phonemes_->addItem(QString::fromStdString(symbol));
    phonemes_->setCurrentIndex(-1);  // nothing selected at first
    phonemes_->setMaxVisibleItems(20);
    connect(phonemes_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) model_.SelectPhoneme(index);
    });
    left->addWidget(phonemeLabel);
    left->addWidget(phonemes_);
    preview_ = new MouthView(this);
    preview_->setObjectName("mouthPreview");
    preview_->setAccessibleName(QStringLiteral("Mouth of the phoneme"));
    preview_->setMinimumSize(170, 100);
    preview_->setMaximumHeight(130);
    left->addWidget(preview_);
    left->addStretch(1);

    auto* buttons = new QHBoxLayout();
    auto* reset = Named(new QPushButton(tr("Reset Defaults"), this), IDC_RESET_DEFAULTS, QStringLiteral("Reset Defaults"));
    auto* setDefault =
        Named(new QPushButton(tr("Set As Default"), this), IDC_SET_AS_DEFAULT, QStringLiteral("Set As Default"));
    reset->setAutoDefault(false);
    setDefault->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, [this] { model_.ResetDefaults(); });
    connect(setDefault, &QPushButton::clicked, this, [this] { model_.SetAsDefault(); });
    buttons->addWidget(reset);
    buttons->addWidget(setDefault);
    left->addLayout(buttons);
    columns->addLayout(left);

    auto* group = new QGroupBox(tr("Mouth Parameters"), this);
    group->setAccessibleName(QStringLiteral("Mouth Parameters"));
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(2);
    const QRegularExpression digits(QStringLiteral("[0-9]{0,9}"));
    for (const MouthParameterInfo& info : kMouthParameters) {
        const int row = static_cast<int>(info.parameter);
        const QString label = QString::fromUtf8(info.label);
        auto* text = new QLabel(label, group);
        auto* box = Named(new QLineEdit(group), kMouthParameterBoxes[static_cast<std::size_t>(row)], label);
        box->setValidator(new QRegularExpressionValidator(digits, box));
        box->setMaximumWidth(60);
        text->setBuddy(box);
        auto* mouth = new MouthView(group);
        mouth->setObjectName(QStringLiteral("mouth%1").arg(kMouthParameterBoxes[static_cast<std::size_t>(row)]));
        mouth->setAccessibleName(QStringLiteral("Mouth for ") + label);
        const MouthParameter p = info.parameter;
        connect(box, &QLineEdit::textChanged, this, [this, p](const QString& t) {
            if (refreshing_) return;
            model_.EditBox(p, t.toStdString());
            ShowPictures();
        });
        grid->addWidget(text, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(mouth, row, 2);
        boxes_[static_cast<std::size_t>(row)] = box;
        mouths_[static_cast<std::size_t>(row)] = mouth;
    }
    columns->addWidget(group);
    layout->addLayout(columns);

    auto* fileGroup = new QGroupBox(tr("Current File"), this);
    fileGroup->setAccessibleName(QStringLiteral("Current File"));
    auto* fileLayout = new QVBoxLayout(fileGroup);
    fileBox_ = Named(new QPlainTextEdit(fileGroup), IDC_CURRENT_FILE, QStringLiteral("Current File"));
    fileBox_->setReadOnly(true);
    fileBox_->setFixedHeight(44);
    fileLayout->addWidget(fileBox_);
    layout->addWidget(fileGroup);

    model_.onChanged = [this] { Refresh(); };
    Refresh();
}

PhonemeSlgWindow::~PhonemeSlgWindow() { model_.onChanged = nullptr; }

void PhonemeSlgWindow::Refresh() {
    refreshing_ = true;
    const std::optional<int> selected = model_.Selected();
    if (selected && phonemes_->currentIndex() != *selected) {
        const QSignalBlocker block(phonemes_);
        phonemes_->setCurrentIndex(*selected);
    }
    for (const MouthParameterInfo& info : kMouthParameters) {
        QLineEdit* box = boxes_[static_cast<std::size_t>(info.parameter)];
        const QString text = selected ? QString::number(model_.BoxValue(info.parameter)) : QString();
        if (box->text() != text) box->setText(text);
    }
    // CR LF in the error text is one line break here.
    QString file = QString::fromStdString(model_.CurrentFileBox());
    file.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (fileBox_->toPlainText() != file) fileBox_->setPlainText(file);
    refreshing_ = false;
    ShowPictures();
}

void PhonemeSlgWindow::ShowPictures() {
    const std::array<float, kMouthParameterCount> values = model_.SelectedParameters();
    preview_->SetChannels(MouthChannelsOf(values));
    for (const MouthParameterInfo& info : kMouthParameters) {
        const auto i = static_cast<std::size_t>(info.parameter);
        mouths_[i]->SetChannels(MouthChannelsOfOne(info.parameter, values[i]));
    }
}

void PhonemeSlgWindow::TryClose() {
    if (closing_) return;
    closing_ = true;
    const bool close = model_.Close();
    closing_ = false;
    if (close) done(QDialog::Accepted);
}

void PhonemeSlgWindow::reject() { TryClose(); }

void PhonemeSlgWindow::closeEvent(QCloseEvent* e) {
    // The close box asks what "&Exit" asks; done() closes for real.
    e->ignore();
    TryClose();
}

}  // namespace lipsmith
