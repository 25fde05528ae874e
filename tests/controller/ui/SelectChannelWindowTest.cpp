// The "Select Channel" window as the studio shows it: opened through
// EditTrackParams with a parent widget, driven through its controls.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "../../hostcore/TestObjects.h"
#include "ChannelPictures.h"
#include "ControllerWindows.h"
#include "SpeechController.h"

using namespace lipsmith;

namespace {

// A top-level window that counts its paintings (and those of a child).
template <class Base>
class PaintCounter : public Base {
public:
    explicit PaintCounter(const QString& name) {
        this->setObjectName(name);
        this->resize(200, 100);
    }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++paints;
        Base::paintEvent(e);
    }
};

}  // namespace

class SelectChannelWindowTest : public QObject {
    Q_OBJECT

private:
    TestListener utility;
    SpeechController* c = nullptr;
    QWidget* mainWindow = nullptr;
    Interface* ip = nullptr;

    QDialog* Open(const char* track = "Jaw Open") {
        c->EditTrackParams(0, nullptr, track, mainWindow, ip, 0);
        return Window();
    }
    QDialog* Window() const {
        const QList<QDialog*> all = mainWindow->findChildren<QDialog*>(QStringLiteral("SelectChannel"));
        return all.size() == 1 ? all.front() : nullptr;
    }
    template <class T>
    static T* Control(QDialog* d, const char* name) {
        return d->findChild<T*>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase() { InstallControllerWindows(); }

    void init() {
        ip = GetCOREInterface();
        RegisterGlobalReference(&utility);
        mainWindow = new QWidget;
        mainWindow->setObjectName(QStringLiteral("Main"));
        mainWindow->show();
        c = new SpeechController();
        c->LockAutoDelete(true);
    }

    void cleanup() {
        if (c) c->DeleteThis();
        c = nullptr;
        delete mainWindow;
        UnRegisterGlobalReference(&utility);
        utility.heard.clear();
    }

    void newControllerShowsMouthWidthItsPictureAndOneHundred() {
        QDialog* d = Open("Jaw Open");
        QVERIFY(d);
        QVERIFY(d->isVisible());
        QVERIFY(!d->isModal());
        QCOMPARE(d->windowTitle(), QStringLiteral("Jaw Open"));
        auto* list = Control<QComboBox>(d, "ctl1040");
        QVERIFY(list);
        QCOMPARE(list->count(), 14);
        const QStringList names = {"Mouth Width", "Mouth Open", "Lower Lip Pullback", "Mouth Upturn",
                                   "Upper Teeth Exposed", "Lower Teeth Exposed", "Tongue Position", "Lip Tension",
                                   "Mouth Downturn", "Mouth Puckered", "Left Eye Blink", "Right Eye Blink",
                                   "Left Eye Brow", "Right Eye Brow"};
        for (int i = 0; i < 14; ++i) {
            QCOMPARE(list->itemText(i), names[i]);
            QCOMPARE(list->itemData(i).toInt(), i + 1);
        }
        QCOMPARE(list->currentText(), QStringLiteral("Mouth Width"));
        auto* picture = Control<QLabel>(d, "ctl1041");
        QVERIFY(picture);
        const QImage shown = picture->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
        QCOMPARE(shown.size(), QSize(60, 60));
        QCOMPARE(shown, ChannelPicture(104).convertToFormat(QImage::Format_RGB888));
        QCOMPARE(Control<QLineEdit>(d, "ctl1043")->text(), QStringLiteral("100"));
        QVERIFY(Control<QLineEdit>(d, "ctl1043")->alignment() & Qt::AlignHCenter);
        QVERIFY(Control<QWidget>(d, "ctl1045"));
        QCOMPARE(Control<QPushButton>(d, "ctl1")->text(), QStringLiteral("Accept"));
        QVERIFY(Control<QPushButton>(d, "ctl1")->isDefault());
        QCOMPARE(Control<QPushButton>(d, "ctl2")->text(), QStringLiteral("Cancel"));
        for (QWidget* w : d->findChildren<QWidget*>()) {
            if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w) ||
                qobject_cast<QToolButton*>(w) || w->objectName() == QLatin1String("ctl1041"))
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        }
        // Every channel's picture is there and differs from the others.
        for (int id = 104; id <= 117; ++id) {
            QCOMPARE(ChannelPicture(id).size(), QSize(60, 60));
            if (id > 104) QVERIFY(ChannelPicture(id) != ChannelPicture(id - 1));
        }
    }

    void channelAndScalarChangesTakeEffectAtOnceAndCancelUndoesThem() {
        c->scalar[13] = 40;
        QDialog* d = Open();
        auto* list = Control<QComboBox>(d, "ctl1040");
        auto* field = Control<QLineEdit>(d, "ctl1043");
        auto* up = d->findChild<QToolButton*>(QStringLiteral("ctl1045up"));
        QVERIFY(up);
        list->setCurrentIndex(13);  // "Right Eye Brow"
        QCOMPARE(c->channel, 14);
        QCOMPARE(field->text(), QStringLiteral("40"));
        QCOMPARE(Control<QLabel>(d, "ctl1041")->pixmap().toImage().convertToFormat(QImage::Format_RGB888),
                 ChannelPicture(117).convertToFormat(QImage::Format_RGB888));
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(c->scalar[13], 41);
        QCOMPARE(field->text(), QStringLiteral("41"));
        list->setCurrentIndex(2);
        field->selectAll();
        QTest::keyClicks(field, "-25x");  // letters are refused
        QCOMPARE(field->text(), QStringLiteral("-25"));
        QCOMPARE(c->scalar[2], -25);
        QTest::keyClick(field, Qt::Key_Down);
        QCOMPARE(c->scalar[2], -26);
        QTest::mouseClick(Control<QPushButton>(d, "ctl2"), Qt::LeftButton);
        QCOMPARE(c->channel, 1);
        QCOMPARE(c->scalar[13], 40);
        QCOMPARE(c->scalar[2], 100);
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(field->text(), QStringLiteral("100"));
        QVERIFY(!d->isVisible());
        QCOMPARE(utility.Count(REFMSG_SPEECH_CHANNEL), 0);

        // Closing the window is cancelling it.
        d = Open();
        list->setCurrentIndex(6);
        d->close();
        QVERIFY(!d->isVisible());
        QCOMPARE(c->channel, 1);
        QCOMPARE(Window(), d);  // only hidden, kept for the next opening
    }

    void emptyingTheFieldSetsZeroAtOnce() {
        QDialog* d = Open();
        auto* field = Control<QLineEdit>(d, "ctl1043");
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QString());
        QCOMPARE(c->scalar[0], 0);
        QTest::keyClick(field, Qt::Key_Minus);
        QCOMPARE(field->text(), QStringLiteral("-"));
        QCOMPARE(c->scalar[0], 0);
    }

    void acceptTellsTheUtilitiesAndRepaintsTrackViewsAndDialogs() {
        PaintCounter<QWidget> trackView(QStringLiteral("TVPopUp"));
        PaintCounter<QDialog> otherDialog(QStringLiteral("Other"));
        trackView.show();
        otherDialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&trackView));
        QVERIFY(QTest::qWaitForWindowExposed(&otherDialog));
        QTRY_VERIFY(trackView.paints > 0 && otherDialog.paints > 0);
        QDialog* d = Open();
        Control<QComboBox>(d, "ctl1040")->setCurrentIndex(4);
        const int tvBefore = trackView.paints, dlgBefore = otherDialog.paints;
        QTest::mouseClick(Control<QPushButton>(d, "ctl1"), Qt::LeftButton);
        QCOMPARE(utility.Count(REFMSG_SPEECH_CHANNEL), 1);
        QCOMPARE(c->channel, 5);
        QVERIFY(!d->isVisible());
        QTRY_VERIFY(trackView.paints > tvBefore);
        QTRY_VERIFY(otherDialog.paints > dlgBefore);
        // Enter in the field accepts too (Accept is the default button).
        d = Open();
        QTest::keyClick(Control<QLineEdit>(d, "ctl1043"), Qt::Key_Return);
        QCOMPARE(utility.Count(REFMSG_SPEECH_CHANNEL), 2);
        QVERIFY(!d->isVisible());
    }

    void asecondOpeningRaisesTheExistingWindowWithAFreshBackup() {
        QDialog* d = Open();
        auto* list = Control<QComboBox>(d, "ctl1040");
        list->setCurrentIndex(8);
        PaintCounter<QWidget> other(QStringLiteral("Elsewhere"));
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        c->scalar[8] = 77;  // changed behind the dialog's back: not re-read
        QCOMPARE(Open(), d);
        QCOMPARE(mainWindow->findChildren<QDialog*>(QStringLiteral("SelectChannel")).size(), 1);
        QVERIFY(d->isVisible());
        QTRY_VERIFY(d->isActiveWindow());
        QCOMPARE(Control<QLineEdit>(d, "ctl1043")->text(), QStringLiteral("100"));
        list->setCurrentIndex(0);
        QTest::mouseClick(Control<QPushButton>(d, "ctl2"), Qt::LeftButton);
        QCOMPARE(c->channel, 9);  // the channel of the second opening
        QCOMPARE(c->scalar[8], 77);
        // Hidden, then opened again: the same window comes back.
        QCOMPARE(Open(), d);
        QVERIFY(d->isVisible());
    }

    void shortcutsAreOffWhileTheFieldHasTheFocus() {
        QDialog* d = Open();
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        auto* field = Control<QLineEdit>(d, "ctl1043");
        field->setFocus();
        QTRY_VERIFY(!ip->AcceleratorsEnabled());
        Control<QComboBox>(d, "ctl1040")->setFocus();
        QTRY_VERIFY(ip->AcceleratorsEnabled());
        field->setFocus();
        QTRY_VERIFY(!ip->AcceleratorsEnabled());
        QTest::mouseClick(Control<QPushButton>(d, "ctl2"), Qt::LeftButton);
        QVERIFY(ip->AcceleratorsEnabled());
    }

    void theWindowGoesWithTheControllerAndOutlivesNoOwner() {
        QPointer<QDialog> d = Open();
        QVERIFY(d);
        c->DeleteThis();
        c = nullptr;
        QVERIFY(d.isNull());

        // The owner closes first; a later opening makes a new window.
        c = new SpeechController();
        c->LockAutoDelete(true);
        d = Open();
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->findChild<QLineEdit*>(QStringLiteral("ctl1043"))->setFocus();
        QTRY_VERIFY(!ip->AcceleratorsEnabled());
        delete mainWindow;
        mainWindow = nullptr;
        QVERIFY(d.isNull());
        QVERIFY(ip->AcceleratorsEnabled());
        mainWindow = new QWidget;
        mainWindow->show();
        QVERIFY(Open());
        QVERIFY(Window()->isVisible());
    }

    void noParentWindowMeansNoWindow() {
        c->EditTrackParams(0, nullptr, "Jaw", nullptr, ip, 0);
        QVERIFY(!c->GetDialog().HasWindow());
        QVERIFY(!Window());
    }
};

QTEST_MAIN(SelectChannelWindowTest)
#include "SelectChannelWindowTest.moc"
