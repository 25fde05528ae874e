// Pictures of tag insertion and the phoneme map editor for the documentation,
// taken from the real studio under a display (Xvfb):
//   tag_shots FOLDER   writes tag-menu.png, eyes-tag-dialog.png,
//                      brow-tag-dialog.png, silence-dialog.png and
//                      phoneme-map-editor.png there
#include <stdlib.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "StudioDriver.h"

using lipsmith::testing::StudioDriver;

namespace {

QString gOut;

// The window with its caption drawn above it (Xvfb has no window manager).
void SaveWithCaption(QWidget* w, const QString& file) {
    const QPixmap body = w->grab();
    QPixmap shot(body.width() + 2, body.height() + 24);
    shot.fill(QColor(110, 110, 110));
    QPainter p(&shot);
    p.fillRect(1, 1, body.width(), 22, QColor(60, 80, 130));
    p.setPen(Qt::white);
    p.drawText(QRect(8, 1, body.width() - 8, 22), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
    p.drawPixmap(1, 23, body);
    p.end();
    shot.save(gOut + "/" + file);
}

// Runs `act` on the first visible top-level widget named `name` once it shows.
void WhenShown(const QString& name, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(w);
                return;
            }
        }
    });
    timer->start();
}

// A few turns of the event loop, so that what was just shown is painted.
void Settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTest::qWait(10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tag_shots FOLDER\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    std::string folder = QDir::tempPath().toStdString() + "/lipsmith_tag_shots.XXXXXX";
    if (!::mkdtemp(folder.data())) return 1;
    StudioDriver::PrepareProcess(folder);
    {
        QApplication app(argc, argv);
        StudioDriver studio;
        studio.Window().move(0, 0);
        if (!studio.OpenUtility() || !studio.OpenEditor() || !studio.LoadScript(LIPSMITH_DEMO_SCRIPT)) {
            std::fprintf(stderr, "tag_shots: the editor did not open\n");
            return 1;
        }
        QWidget* editor = studio.Editor();
        editor->resize(900, 640);
        editor->move(300, 120);
        auto* script = studio.Ctl<QPlainTextEdit>("ctl4001");
        // A word of the script selected, as for a pitch change around it.
        QTextCursor c = script->document()->find(QStringLiteral("all night"));
        if (!c.isNull()) script->setTextCursor(c);
        Settle();

        // The menu with Insert Tag and its pitch pop-up open.
        WhenShown("ctl4015", [&](QWidget* w) {
            auto* menu = static_cast<QMenu*>(w);
            QMenu* insert = menu->findChild<QMenu*>("menuInsertTag");
            QMenu* pitch = menu->findChild<QMenu*>("menupitch");
            menu->setActiveAction(insert->menuAction());
            insert->popup(menu->mapToGlobal(menu->actionGeometry(insert->menuAction()).topRight()));
            Settle();
            insert->setActiveAction(pitch->menuAction());
            pitch->popup(insert->mapToGlobal(insert->actionGeometry(pitch->menuAction()).topRight()));
            Settle();
            const QRect area = editor->frameGeometry().united(pitch->geometry()).adjusted(-4, -4, 4, 4);
            QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                .save(gOut + "/tag-menu.png");
            menu->hide();
        });
        const QPoint at = script->cursorRect().bottomRight() + QPoint(4, 4);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, script->viewport()->mapToGlobal(at));
        QApplication::sendEvent(script->viewport(), &menuEvent);

        // The dialogs, each filled in a little, then cancelled.
        auto dialog = [&](const char* name, const QString& file, std::function<void(QWidget*)> fill, int id) {
            WhenShown(name, [&, file, fill](QWidget* d) {
                fill(d);
                Settle();
                SaveWithCaption(d, file);
                d->close();
            });
            QAction* item = nullptr;
            WhenShown("ctl4015", [&item, id](QWidget* w) {
                if ((item = w->findChild<QAction*>(QStringLiteral("ctl%1").arg(id)))) item->trigger();
                w->hide();
            });
            QContextMenuEvent e(QContextMenuEvent::Mouse, at, script->viewport()->mapToGlobal(at));
            QApplication::sendEvent(script->viewport(), &e);
        };
        dialog("EyesTagDlg", "eyes-tag-dialog.png", [](QWidget* d) {
            d->findChild<QComboBox*>("ctl4010")->setCurrentText("Head");
            d->findChild<QLineEdit*>("ctl4053")->setText("3");
            d->findChild<QLineEdit*>("ctl4015")->setText("0.9");
        }, 4017);
        dialog("EyesTagDlg", "brow-tag-dialog.png", [](QWidget* d) {
            d->findChild<QComboBox*>("ctl4012")->setCurrentText("left");
            d->findChild<QLineEdit*>("ctl4015")->setText("0.6");
            d->findChild<QLineEdit*>("ctl4013")->setText("400");
        }, 4056);
        dialog("SilenceDlg", "silence-dialog.png", [](QWidget*) {}, 4072);

        // The map editor with "ow" shown.
        WhenShown("PhonemeSlg", [](QWidget* d) {
            d->findChild<QComboBox*>("ctl4020")->setCurrentIndex(34);
            Settle();
            SaveWithCaption(d, "phoneme-map-editor.png");
            d->close();
        });
        if (auto* mapping = studio.Window().findChild<QPushButton*>("ctl4029")) mapping->click();
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
