// CPU of the editor's process while the speech server speaks a long script
// through the script editor window, next to the server's own CPU, both per
// minute of speech. The window's wait for the engine must not spin: its cost
// is the handling of the notifications (keys, the pane, painting).
//   bench_utility_run_cpu [REPEATS]   (the demo script's actors REPEATS times)
// The server speaks without the speakers (LIPSMITH_NO_AUDIO=1 unless set),
// so a minute of speech takes less than a minute here.
#include <dirent.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "DemoScene.h"
#include "Plugins.h"
#include "Registration.h"
#include "Registry.h"
#include "ScriptDlgWindow.h"
#include "ScriptEditor.h"

namespace {

double SelfCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of the server serving our runtime folder, or -1.
double ServerCpuSeconds(const std::string& runtimeDir) {
    DIR* proc = ::opendir("/proc");
    double seconds = -1;
    while (dirent* e = proc ? ::readdir(proc) : nullptr) {
        const std::string pid = e->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream cmd("/proc/" + pid + "/cmdline");
        std::string cmdline((std::istreambuf_iterator<char>(cmd)), {});
        if (cmdline.find("Lipsmith_TTS") == std::string::npos) continue;
        std::ifstream envf("/proc/" + pid + "/environ");
        std::string env((std::istreambuf_iterator<char>(envf)), {});
        if (env.find("LIPSMITH_RUNTIME_DIR=" + runtimeDir) == std::string::npos) continue;
        std::ifstream stat("/proc/" + pid + "/stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string f;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; fields >> f; ++i) {
            if (i == 14) utime = std::stoull(f);
            if (i == 15) {
                stime = std::stoull(f);
                break;
            }
        }
        seconds = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    if (proc) ::closedir(proc);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    std::string dir = std::filesystem::temp_directory_path().string() + "/lipsmith_run_cpu.XXXXXX";
    if (!::mkdtemp(dir.data())) return 1;
    ::setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    ::setenv("LIPSMITH_NO_AUDIO", "1", 0);
    ::setenv("LIPSMITH_PLUGIN_DIR", LIPSMITH_PLUGIN_FOLDER, 1);
    if (!::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    lipsmith::tts::RegisterServer(lipsmith::RegistryStore::Default(), LIPSMITH_TTS_PROGRAM);

    QApplication app(argc, argv);
    Interface& ip = *GetCOREInterface();
    std::string error;
    if (!lipsmith::LoadControllerPlugins(&error) || !lipsmith::BuildDemoScene(ip, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::ifstream in(LIPSMITH_DEMO_SCRIPT);
    std::string demo((std::istreambuf_iterator<char>(in)), {});
    const std::string actors = demo.substr(demo.find("<actor"), demo.rfind("</_ANIM_>") - demo.find("<actor"));
    std::string script = "<_ANIM_>\n";
    for (int i = 0; i < repeats; ++i) script += actors;
    script += "</_ANIM_>\n";

    lipsmith::ScriptEditor editor(ip);
    lipsmith::ScriptDlgWindow window(editor, ip, nullptr);
    editor.Open([](std::unique_ptr<lipsmith::ITTS>* out) { return lipsmith::CreateCTTS(out); });
    editor.Session().waveOutputPath = dir + "/out.wav";
    editor.SetOption(&lipsmith::RunOptions::generateScratchTrack, false);
    editor.Dlg().SetColoredScript(script, false);
    window.ShowEditor();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;

    const double gui0 = SelfCpuSeconds();
    const double server0 = ServerCpuSeconds(dir + "/run");
    QElapsedTimer wall;
    wall.start();
    QTest::mouseClick(window.findChild<QPushButton*>("ctl3"), Qt::LeftButton);
    const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const double gui = SelfCpuSeconds() - gui0;
    const double server = ServerCpuSeconds(dir + "/run") - server0;
    const double minutes = editor.Session().clock.spokenMs / 60000.0;

    std::printf("speech: %.2f minutes (%d copies of the demo's actors), spoken in %.1f s, errors %d\n", minutes,
                repeats, wallSeconds, editor.Dlg().Output().errorCount);
    std::printf("%-34s %14s %16s\n", "process", "CPU seconds", "per speech min");
    std::printf("%-34s %14.2f %16.2f\n", "editor (GUI, with its client thread)", gui, gui / minutes);
    std::printf("%-34s %14.2f %16.2f\n", "Lipsmith_TTS server", server, server / minutes);
    std::printf("ratio editor / server: %.2f (target: well under 1)\n", gui / server);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
