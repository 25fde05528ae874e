// Pictures of the utility for the documentation, taken from the real studio
// under a display (Xvfb): the Utilities panel with the two pages, the script
// editor after a run of the demo script, and the progress window during it.
//   utility_shots FOLDER   writes utility-panel.png, script-editor.png,
//                          progress.png and studio-with-editor.png there
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDockWidget>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "StudioDriver.h"

using lipsmith::testing::StudioDriver;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: utility_shots FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    std::string folder = QDir::tempPath().toStdString() + "/lipsmith_shots.XXXXXX";
    if (!::mkdtemp(folder.data())) return 1;
    StudioDriver::PrepareProcess(folder);
    int status = 0;
    {
        QApplication app(argc, argv);
        StudioDriver studio;
        studio.Window().move(0, 0);
        if (!studio.OpenUtility() || !studio.OpenEditor() || !studio.LoadScript(LIPSMITH_DEMO_SCRIPT)) {
            std::fprintf(stderr, "utility_shots: the editor did not open\n");
            return 1;
        }
        QWidget* editor = studio.Editor();
        editor->resize(900, 640);
        editor->move(480, 150);
        if (auto* tree = studio.Ctl<QTreeWidget>("ctl4002")) tree->expandItem(tree->topLevelItem(0));
        studio.Ctl<QCheckBox>("ctl4045")->setChecked(true);

        // The progress window shows only while the run speaks: look for it
        // from the run's own event handling.
        bool progressTaken = false;
        int seen = 0;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "ProgressDlg" || !w->isVisible() || progressTaken) continue;
                // Once it has been up (and painted) for a few turns.
                if (!w->windowTitle().startsWith("Parsing") || ++seen < 2) continue;
                // The window with its caption drawn above it (Xvfb has no
                // window manager to draw one).
                const QPixmap body = w->grab();
                QPixmap shot(body.width() + 2, body.height() + 24);
                shot.fill(QColor(110, 110, 110));
                QPainter p(&shot);
                p.fillRect(1, 1, body.width(), 22, QColor(60, 80, 130));
                p.setPen(Qt::white);
                p.drawText(QRect(8, 1, body.width() - 8, 22), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
                p.drawPixmap(1, 23, body);
                p.end();
                shot.save(out + "/progress.png");
                QScreen* screen = QGuiApplication::primaryScreen();
                screen->grabWindow(0).save(out + "/studio-running.png");
                progressTaken = true;
            }
        });
        look.start(10);
        studio.ParseScript();
        look.stop();
        if (!progressTaken) std::fprintf(stderr, "utility_shots: the progress window went by unseen\n");

        QApplication::processEvents();
        editor->grab().save(out + "/script-editor.png");
        // The "Configuration" page opened as well, to show both.
        if (QWidget* config = studio.Window().findChild<QWidget*>("dlg4066"))
            GetCOREInterface()->SetRollupPanelOpen(config, TRUE);
        QApplication::processEvents();
        if (QDockWidget* panel = studio.Window().findChild<QDockWidget*>("commandPanelDock"))
            panel->grab().save(out + "/utility-panel.png");
        QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/studio-with-editor.png");
        status = progressTaken ? 0 : 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return status;
}
