#include "HelpViewer.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace lipsmith::studio {

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent) {
    setObjectName("helpViewer");
    setWindowTitle("Lipsmith Help");
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("helpBrowser");
    browser_->setAccessibleName("Help page");
    browser_->setOpenExternalLinks(false);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* back = buttons->addButton("Back", QDialogButtonBox::ActionRole);
    back->setObjectName("helpBack");
    back->setAccessibleName("Back");
    QPushButton* close = buttons->addButton("Close", QDialogButtonBox::RejectRole);
    close->setObjectName("helpClose");
    close->setAccessibleName("Close");
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    auto* box = new QVBoxLayout(this);
    box->addWidget(browser_, 1);
    box->addWidget(buttons);
    resize(720, 560);
}

bool HelpViewer::ShowPage(const QString& file) {
    const bool found = QFileInfo(file).isFile();
    if (found) {
        browser_->setSource(QUrl::fromLocalFile(file));
    } else {
        browser_->setHtml("<h2>Help page not found</h2><p>The help page <code>" + file.toHtmlEscaped() +
                          "</code> is not installed.</p>");
    }
    show();
    raise();
    activateWindow();
    return found;
}

}  // namespace lipsmith::studio
