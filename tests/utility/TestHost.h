// A small desktop host for widget tests: a main window with a command panel
// that stacks rollup pages, a help viewer that records what it shows, and a
// record of the shortcut switches and view refreshes.
#pragma once
#include <QVBoxLayout>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "HostWindows.h"

namespace lipsmith::testing {

class TestHost : public HostWindows {
public:
    TestHost();
    ~TestHost() override;

    QWidget* MainWindow() override { return &main_; }
    QWidget* AddRollupPage(QWidget* page, const char* title, DWORD flags, int category) override;
    void DeleteRollupPage(QWidget* page) override;
    BOOL IsRollupPageOpen(QWidget* page) override;
    void SetRollupPageOpen(QWidget* page, BOOL open) override;
    void RollupMouseMessage(QWidget* page, RollupMouse event, int x, int y) override;
    void AcceleratorsChanged(BOOL enabled) override { accelerators.push_back(enabled); }
    void RedrawViews(TimeValue) override { ++redraws; }
    BOOL ShowHelpPage(const std::string& file, QWidget* owner) override;

    QWidget* Panel() { return panel_; }
    std::vector<std::string> PageTitles() const;

    std::vector<BOOL> accelerators;
    int redraws = 0;
    std::string helpShown;
    int rollupMouse = 0;

private:
    QWidget main_;
    QWidget* panel_;
    QVBoxLayout* layout_;
    struct Page {
        std::string title;
        bool open;
    };
    std::map<QWidget*, Page> pages_;
};

}  // namespace lipsmith::testing
