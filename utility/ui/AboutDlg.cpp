#include "AboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "Pictures.h"
#include "UtilityResource.h"

namespace lipsmith {

AboutDlg::AboutDlg(QWidget* owner) : QDialog(owner) {
    setObjectName("AboutDlg");
    setWindowTitle(tr("About Lipsmith"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(UtilityPicture(IDB_ROLLUP_PICTURE));
    picture->setAlignment(Qt::AlignCenter);
    picture->setAccessibleName("Lipsmith");
    layout->addWidget(picture);
    auto* page = new QTextBrowser(this);
    page->setObjectName("AboutPage");
    page->setAccessibleName("About Lipsmith");
    page->setOpenExternalLinks(false);
    page->setFrameShape(QFrame::NoFrame);
    page->setHtml(QStringLiteral("<html><body style='text-align:center'>"
                                 "<h2>%1</h2><p>Version %2</p>"
                                 "<p>Turns written dialogue scripts into lip-sync animation: speech controllers, "
                                 "a text-to-speech voice and an editable phoneme map.</p>"
                                 "<p>&copy; Tarnwick Works</p></body></html>")
                      .arg(QString::fromUtf8(kProductName), QString::fromUtf8(kProductVersion)));
    page->setMinimumSize(320, 150);
    layout->addWidget(page);
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName("AboutClose");
    close->setAccessibleName("Close");
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout();
    row->addStretch();
    row->addWidget(close);
    row->addStretch();
    layout->addLayout(row);
}

}  // namespace lipsmith
