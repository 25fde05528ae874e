// The studio's windows as plug-ins reach them through Interface: the main
// window, the command panel's rollup pages, the shortcut switch, the views
// and the help viewer.
#pragma once
#include "HostWindows.h"

namespace lipsmith::studio {

class MainWindow;

class StudioWindows : public HostWindows {
public:
    explicit StudioWindows(studio::MainWindow& main) : main_(main) {}
    QWidget* MainWindow() override;
    QWidget* AddRollupPage(QWidget* page, const char* title, DWORD flags, int category) override;
    void DeleteRollupPage(QWidget* page) override;
    BOOL IsRollupPageOpen(QWidget* page) override;
    void SetRollupPageOpen(QWidget* page, BOOL open) override;
    void RollupMouseMessage(QWidget* page, RollupMouse event, int screenX, int screenY) override;
    void AcceleratorsChanged(BOOL enabled) override;
    void RedrawViews(TimeValue t) override;
    BOOL ShowHelpPage(const std::string& file, QWidget* owner) override;

private:
    studio::MainWindow& main_;
};

}  // namespace lipsmith::studio
