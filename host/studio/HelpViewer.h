// The studio's help viewer: HTML help pages installed with the program.
#pragma once
#include <QDialog>
#include <QString>

class QTextBrowser;

namespace lipsmith::studio {

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);
    // Shows the page; a missing page shows a note instead and answers false.
    bool ShowPage(const QString& file);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace lipsmith::studio
