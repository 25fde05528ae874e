#include "ProgressDlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "ProgressModel.h"

namespace lipsmith {

ProgressDlg::ProgressDlg(ProgressModel& model, QWidget* owner)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), model_(&model) {
    setObjectName("ProgressDlg");
    setAccessibleName("Progress");
    auto* layout = new QVBoxLayout(this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("ctl4052");
    bar_->setAccessibleName("Progress");
    bar_->setTextVisible(false);
    bar_->setStyleSheet("QProgressBar { border: 1px solid #808080; background: #f0f0f0; height: 14px; }"
                        "QProgressBar::chunk { background: rgb(150,150,150); }");
    text_ = new QLabel(QString::fromUtf8(ProgressModel::kListenerText), this);
    text_->setObjectName("ListenerText");
    text_->setAlignment(Qt::AlignCenter);
    stop_ = new QPushButton(tr("Stop"), this);
    stop_->setObjectName("ctl2");
    stop_->setAccessibleName("Stop");
    stop_->setDefault(true);
    layout->addWidget(bar_);
    layout->addWidget(text_);
    layout->addWidget(stop_, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (model_ && !model_->Closed()) model_->PressStop();
    });
    model.onChange = [this](const ProgressModel& m) { Show(m); };
    Show(model);
    if (owner) {
        // Above the editor without being its child, which the run disables.
        winId();
        if (QWindow* w = windowHandle(); w && owner->window()->windowHandle())
            w->setTransientParent(owner->window()->windowHandle());
        const QRect o = owner->window()->geometry();
        adjustSize();
        move(o.center() - rect().center());
    }
}

ProgressDlg::~ProgressDlg() { Detach(); }

void ProgressDlg::Detach() {
    if (model_) model_->onChange = nullptr;
    model_ = nullptr;
}

void ProgressDlg::Show(const ProgressModel& m) {
    setWindowTitle(QString::fromStdString(m.Caption()));
    bar_->setRange(m.Lower(), std::max(m.Upper(), m.Lower() + 1));
    bar_->setValue(m.Position());
    bar_->setVisible(m.BarVisible());
    text_->setVisible(m.TextVisible());
    if (m.Closed()) hide();
}

void ProgressDlg::closeEvent(QCloseEvent* e) {
    // Closing the window is the Stop button.
    e->ignore();
    if (model_ && !model_->Closed()) model_->PressStop();
}

void ProgressDlg::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        if (model_ && !model_->Closed()) model_->PressStop();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace lipsmith
