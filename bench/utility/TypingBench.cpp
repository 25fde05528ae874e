// Typing into a 2 MB script in the editor's script control: the time from a
// key press to the repainted control, at the end and in the middle of the
// script (target: under 16 ms). Each key goes through the whole path: the
// colour at the caret, the edit mirrored into the text model with its undo
// step, and the colours of what changed; then a synchronous repaint.
//   bench_utility_typing [MEGABYTES]
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ScriptDlg.h"
#include "ScriptEditControl.h"

namespace {

std::string LongScript(std::size_t bytes) {
    const std::string block =
        "<actor node=\"Head\">Good morning! <eyes blink=\"true\" side=\"both\" repeat=\"2\" offset=\"150\"/>\n"
        "I have been waiting for you all night. <brow return=\"true\" side=\"both\" value=\"0.8\"/>\n"
        "<rate absspeed=\"3\">There is no time to lose, so listen carefully.</rate>\n</actor>\n";
    std::string s = "<_ANIM_>\n";
    while (s.size() < bytes) s += block;
    return s + "</_ANIM_>\n";
}

struct Figures {
    double median, p90, max;
};

Figures Type(lipsmith::ScriptEditControl& control, const char* keys, int rounds) {
    std::vector<double> ms;
    QElapsedTimer t;
    for (int r = 0; r < rounds; ++r) {
        for (const char* k = keys; *k; ++k) {
            t.start();
            QTest::keyClick(&control, *k);
            control.viewport()->repaint();
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back()};
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (!::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    lipsmith::ScriptDlg dlg;
    const std::string script = LongScript(static_cast<std::size_t>(megabytes * 1024 * 1024));
    QElapsedTimer load;
    load.start();
    dlg.SetColoredScript(script, false);
    lipsmith::ScriptEditControl control(dlg);
    control.resize(900, 600);
    control.show();
    if (!QTest::qWaitForWindowExposed(&control)) return 1;
    const double loadMs = static_cast<double>(load.elapsed());

    std::printf("script: %.2f MB, %zu lines; colouring and showing it took %.0f ms\n",
                static_cast<double>(script.size()) / (1024 * 1024), dlg.Script().LineCount(), loadMs);
    std::printf("%-22s %10s %10s %10s\n", "keystroke to repaint", "median ms", "p90 ms", "max ms");
    const char* keys = "<a x=\"v\">text ";
    for (const char* where : {"end", "middle"}) {
        const std::size_t at = std::string(where) == "end" ? dlg.Script().Length() - 12 : dlg.Script().Length() / 2;
        dlg.Script().SetSelection(at, at);
        control.setFocus();
        const Figures f = Type(control, keys, 10);
        std::printf("%-22s %10.2f %10.2f %10.2f\n", where, f.median, f.p90, f.max);
    }
    std::printf("target: under 16 ms\n");
    return 0;
}
