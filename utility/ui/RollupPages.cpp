#include "RollupPages.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "Interface.h"
#include "Pictures.h"
#include "SpeechUtility.h"
#include "UtilityResource.h"

namespace lipsmith {

namespace {

QPushButton* Button(QWidget* parent, const QString& text, int id) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QStringLiteral("ctl%1").arg(id));
    b->setAccessibleName(text);
    return b;
}

}  // namespace

RollupPage::RollupPage(Interface& ip, const char* objectName) : ip_(ip) { setObjectName(objectName); }

void RollupPage::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const QPoint p = e->globalPosition().toPoint();
        ip_.RollupMouseMessage(this, RollupMouse::LeftButtonDown, p.x(), p.y());
    }
    QWidget::mousePressEvent(e);
}

void RollupPage::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->globalPosition().toPoint();
    ip_.RollupMouseMessage(this, RollupMouse::Move, p.x(), p.y());
    QWidget::mouseMoveEvent(e);
}

void RollupPage::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const QPoint p = e->globalPosition().toPoint();
        ip_.RollupMouseMessage(this, RollupMouse::LeftButtonUp, p.x(), p.y());
    }
    QWidget::mouseReleaseEvent(e);
}

RollupPage* MakeTextToAnimationPage(Interface& ip, SpeechUtility& utility) {
    auto* page = new RollupPage(ip, "dlg4001");
    page->setAccessibleName("Text To Animation");
    auto* layout = new QVBoxLayout(page);
    QPushButton* editor = Button(page, QObject::tr("Script Editor"), IDC_SCRIPT_EDITOR);
    QObject::connect(editor, &QPushButton::clicked, page, [&utility] { utility.ScriptEditorPressed(); });
    auto* picture = new QLabel(page);
    picture->setObjectName(QStringLiteral("ctl%1").arg(IDB_ROLLUP_PICTURE));
    picture->setAccessibleName("Lipsmith");
    picture->setPixmap(UtilityPicture(IDB_ROLLUP_PICTURE));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(editor);
    layout->addWidget(picture);
    return page;
}

RollupPage* MakeConfigurationPage(Interface& ip, SpeechUtility& utility, QLineEdit** waveField) {
    auto* page = new RollupPage(ip, "dlg4066");
    page->setAccessibleName("Configuration");
    auto* layout = new QVBoxLayout(page);
    QPushButton* mapping = Button(page, QObject::tr("Phoneme Mapping"), IDC_PHONEME_MAPPING);
    QObject::connect(mapping, &QPushButton::clicked, page, [&utility] { utility.PhonemeMappingPressed(); });
    layout->addWidget(mapping);
    auto* group = new QGroupBox(QObject::tr("Wave Output"), page);
    group->setAccessibleName("Wave Output");
    auto* inner = new QVBoxLayout(group);
    QPushButton* choose = Button(group, QObject::tr("Choose Output File"), IDC_CHOOSE_OUTPUT);
    QObject::connect(choose, &QPushButton::clicked, page, [&utility] { utility.ChooseOutputFilePressed(); });
    auto* field = new QLineEdit(group);
    field->setObjectName(QStringLiteral("ctl%1").arg(IDC_WAVE_FILE));
    field->setAccessibleName("Wave Output File");
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignCenter);
    inner->addWidget(choose);
    inner->addWidget(field);
    layout->addWidget(group);
    *waveField = field;
    return page;
}

}  // namespace lipsmith
