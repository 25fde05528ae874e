// Pictures of "Speak Phrase" for the documentation, from the real studio,
// server and recognizer under a display (Xvfb): the progress window in its
// listener form while a phrase (an espeak-ng recording standing in for the
// microphone, played in real time) is heard, and the studio with the
// phrase's keys on the Head afterwards.
//   listener_shots FOLDER   writes listener-progress.png and
//                           studio-phrase.png there
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "StudioDriver.h"

using lipsmith::testing::StudioDriver;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: listener_shots FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    std::string folder = QDir::tempPath().toStdString() + "/lipsmith_listen_shots.XXXXXX";
    if (!::mkdtemp(folder.data())) return 1;
    const std::string words = "hello there, this is the phrase listener";
    const std::string mic = folder + "/mic.wav";
    if (std::system(("espeak-ng -v en -s 150 -w '" + mic + "' '" + words + "'").c_str()) != 0) return 1;
    StudioDriver::PrepareProcess(folder);
    ::setenv("LIPSMITH_MIC_WAVE", mic.c_str(), 1);
    int status = 1;
    {
        QApplication app(argc, argv);
        StudioDriver studio;
        studio.Window().move(0, 0);
        if (!studio.OpenUtility() || !studio.OpenEditor()) {
            std::fprintf(stderr, "listener_shots: the editor did not open\n");
            return 1;
        }
        QWidget* editor = studio.Editor();
        editor->resize(900, 640);
        editor->move(480, 150);
        // The expected words, loaded as the script.
        const std::string script = folder + "/phrase.txt";
        std::FILE* f = std::fopen(script.c_str(), "w");
        if (!f) return 1;
        std::fputs(words.c_str(), f);
        std::fclose(f);
        if (!studio.LoadScript(script)) return 1;
        if (QAction* phrase = editor->findChild<QAction*>("ctl4124")) phrase->trigger();
        auto* tree = studio.Ctl<QTreeWidget>("ctl4002");
        if (tree) tree->setCurrentItem(tree->topLevelItem(0));

        bool taken = false;
        int seen = 0;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "ProgressDlg" || !w->isVisible() || taken || ++seen < 20) continue;
                const QPixmap body = w->grab();
                QPixmap shot(body.width() + 2, body.height() + 24);
                shot.fill(QColor(110, 110, 110));
                QPainter p(&shot);
                p.fillRect(1, 1, body.width(), 22, QColor(60, 80, 130));
                p.setPen(Qt::white);
                p.drawText(QRect(8, 1, body.width() - 8, 22), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
                p.drawPixmap(1, 23, body);
                p.end();
                shot.save(out + "/listener-progress.png");
                taken = true;
            }
        });
        look.start(10);
        if (auto* run = studio.Ctl<QPushButton>("ctl3")) run->click();
        look.stop();
        QApplication::processEvents();
        QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/studio-phrase.png");
        std::printf("%s\n", studio.Pane().c_str());
        status = taken && studio.Pane().find(": 0 Errors, 0 warnings") != std::string::npos ? 0 : 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return status;
}
