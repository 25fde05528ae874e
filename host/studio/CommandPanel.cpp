#include "CommandPanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lipsmith::studio {

CommandPanel::CommandPanel(UtilityPanel& utilities, QWidget* parent) : QWidget(parent), utilities_(utilities) {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("commandTabs");
    tabs_->setAccessibleName("Command panel");
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(4, 4, 4, 4);
    auto* group = new QGroupBox("Utilities", page);
    group->setAccessibleName("Utilities");
    auto* groupBox = new QVBoxLayout(group);
    grid_ = new QGridLayout;
    groupBox->addLayout(grid_);
    close_ = new QPushButton("Close", group);
    close_->setObjectName("closeUtility");
    close_->setAccessibleName("Close");
    groupBox->addWidget(close_, 0, Qt::AlignRight);
    box->addWidget(group);
    rollups_ = new RollupPanel(page);
    box->addWidget(rollups_, 1);
    tabs_->addTab(page, "Utilities");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(tabs_);

    connect(close_, &QPushButton::clicked, this, [this] { utilities_.CloseUtility(); });
    RebuildUtilityButtons();
}

void CommandPanel::RebuildUtilityButtons() {
    buttons_.clear();
    while (QLayoutItem* item = grid_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const std::vector<ClassDesc*> classes = UtilityPanel::UtilityClasses();
    int i = 0;
    for (ClassDesc* cd : classes) {
        const QString name = QString::fromUtf8(cd->ClassName() ? cd->ClassName() : "Utility");
        auto* button = new QPushButton(name, this);
        button->setObjectName("utility_" + name);
        button->setAccessibleName(name);
        button->setCheckable(true);
        connect(button, &QPushButton::clicked, this, [this, cd] {
            utilities_.OpenUtility(cd);
            UpdateState();
        });
        grid_->addWidget(button, i / 2, i % 2);
        buttons_.emplace_back(cd, button);
        ++i;
    }
    if (classes.empty()) {
        auto* none = new QLabel("No utility plug-ins are loaded.", this);
        none->setWordWrap(true);
        grid_->addWidget(none, 0, 0, 1, 2);
    }
    UpdateState();
}

QPushButton* CommandPanel::UtilityButton(const QString& className) const {
    for (const auto& [cd, button] : buttons_) {
        if (button->text() == className) return button;
    }
    return nullptr;
}

void CommandPanel::UpdateState() {
    for (const auto& [cd, button] : buttons_) button->setChecked(utilities_.OpenClass() == cd);
    close_->setEnabled(utilities_.OpenObject() != nullptr);
}

}  // namespace lipsmith::studio
