#include "TestHost.h"

#include <filesystem>

namespace lipsmith::testing {

TestHost::TestHost() {
    main_.setObjectName("TestMainWindow");
    auto* outer = new QVBoxLayout(&main_);
    panel_ = new QWidget(&main_);
    panel_->setObjectName("CommandPanel");
    outer->addWidget(panel_);
    layout_ = new QVBoxLayout(panel_);
    main_.resize(300, 500);
}

TestHost::~TestHost() = default;

QWidget* TestHost::AddRollupPage(QWidget* page, const char* title, DWORD flags, int) {
    page->setParent(panel_);
    layout_->addWidget(page);
    const bool open = (flags & APPENDROLL_CLOSED) == 0;
    page->setVisible(open);
    pages_[page] = {title, open};
    return page;
}

void TestHost::DeleteRollupPage(QWidget* page) {
    pages_.erase(page);
    page->deleteLater();
}

BOOL TestHost::IsRollupPageOpen(QWidget* page) {
    auto it = pages_.find(page);
    return it != pages_.end() && it->second.open;
}

void TestHost::SetRollupPageOpen(QWidget* page, BOOL open) {
    auto it = pages_.find(page);
    if (it == pages_.end()) return;
    it->second.open = open;
    page->setVisible(open);
}

void TestHost::RollupMouseMessage(QWidget*, RollupMouse, int, int) { ++rollupMouse; }

BOOL TestHost::ShowHelpPage(const std::string& file, QWidget*) {
    helpShown = file;
    std::error_code ec;
    return std::filesystem::exists(file, ec);
}

std::vector<std::string> TestHost::PageTitles() const {
    std::vector<std::string> titles;
    for (const auto& [page, p] : pages_) titles.push_back(p.title);
    return titles;
}

}  // namespace lipsmith::testing
