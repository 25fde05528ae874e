// lipsmith-studio [SCENE.lsc]: the desktop host.
//   --smoke-test           check the window, the track view, the face and
//                          playback on the scene, then exit (0 when all pass)
//   --screenshot FILE.png  with --smoke-test: a picture of the window while playing
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "MainWindow.h"
#include "SmokeRun.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lipsmith Studio");
    QApplication::setApplicationVersion("1.2.0");
    QCommandLineParser args;
    args.setApplicationDescription("Lipsmith Studio: scenes, speech controllers, track views and a face preview.");
    args.addHelpOption();
    args.addVersionOption();
    args.addPositionalArgument("scene", "A scene file (.lsc) to open.", "[SCENE.lsc]");
    QCommandLineOption smoke("smoke-test", "Check the window, track view, face and playback, then exit.");
    QCommandLineOption shot("screenshot", "With --smoke-test: save a picture of the window while playing.", "FILE");
    args.addOption(smoke);
    args.addOption(shot);
    args.process(app);
    if (args.positionalArguments().size() > 1) {
        std::fprintf(stderr, "lipsmith-studio: give at most one scene file.\n");
        return 2;
    }

    lipsmith::studio::MainWindow window(*GetCOREInterface());
    for (const std::string& e : window.LoadPlugins()) std::fprintf(stderr, "lipsmith-studio: %s\n", e.c_str());
    window.show();
    if (!args.positionalArguments().isEmpty()) {
        const bool opened = window.OpenScene(args.positionalArguments().first());
        if (!opened && args.isSet(smoke)) {
            std::fprintf(stderr, "smoke: FAILED: the scene could not be opened\n");
            return 1;
        }
    }
    if (args.isSet(smoke)) lipsmith::studio::StartSmokeRun(window, {args.value(shot), 30000});
    return QApplication::exec();
}
