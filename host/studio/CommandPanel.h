// The command panel: its Utilities tab shows one button per utility class
// of the loaded plug-ins and, below, the open utility's rollup pages.
#pragma once
#include <QWidget>
#include <vector>

#include "RollupPanel.h"
#include "UtilityPanel.h"

class QPushButton;
class QGridLayout;
class QTabWidget;

namespace lipsmith::studio {

class CommandPanel : public QWidget {
    Q_OBJECT
public:
    CommandPanel(UtilityPanel& utilities, QWidget* parent = nullptr);

    RollupPanel* Rollups() const { return rollups_; }
    // Builds the buttons from the utility classes known now.
    void RebuildUtilityButtons();
    // The button of the utility class with that name, if any.
    QPushButton* UtilityButton(const QString& className) const;
    QPushButton* CloseButton() const { return close_; }
    // Marks the open utility's button; Close only while one is open.
    void UpdateState();

private:
    UtilityPanel& utilities_;
    QTabWidget* tabs_ = nullptr;
    QGridLayout* grid_ = nullptr;
    QPushButton* close_ = nullptr;
    RollupPanel* rollups_ = nullptr;
    std::vector<std::pair<ClassDesc*, QPushButton*>> buttons_;
};

}  // namespace lipsmith::studio
