#include "ControllerWindows.h"

#include <QApplication>
#include <QPointer>

#include "SelectChannelDialog.h"
#include "SelectChannelWidget.h"

namespace lipsmith {
namespace {

class QtSelectChannelWindow : public SelectChannelWindow {
public:
    explicit QtSelectChannelWindow(SelectChannelWidget* widget) : widget_(widget) {}

    ~QtSelectChannelWindow() override {
        if (!widget_) return;  // its owner already closed it
        widget_->Detach();
        // Without an application the widget cannot be destroyed safely; the
        // process is ending anyway.
        if (QCoreApplication::instance()) delete widget_.data();
    }

    bool Reopen() override {
        if (!widget_) return false;
        widget_->show();
        widget_->raise();
        widget_->activateWindow();
        QApplication::alert(widget_);
        return true;
    }
    void Hide() override {
        if (widget_) widget_->hide();
    }
    void ShowChannel() override {
        if (widget_) widget_->ShowChannel();
    }
    void ShowScalar() override {
        if (widget_) widget_->ShowScalar();
    }
    void RepaintTrackViews() override {
        if (widget_) widget_->RepaintTrackViews();
    }

private:
    QPointer<SelectChannelWidget> widget_;
};

std::unique_ptr<SelectChannelWindow> MakeWindow(SelectChannelDialog& dialog, void* parent, const char* caption) {
    // The command-line host has no application and passes no parent: no window.
    if (!parent || !qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    auto* widget = new SelectChannelWidget(dialog, static_cast<QWidget*>(parent), QString::fromUtf8(caption));
    widget->show();
    return std::make_unique<QtSelectChannelWindow>(widget);
}

}  // namespace

void InstallControllerWindows() { SetSelectChannelWindowMaker(&MakeWindow); }

}  // namespace lipsmith
