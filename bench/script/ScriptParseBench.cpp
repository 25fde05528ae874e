// Parse time of the script parser against script size: prints the time per
// 1,000 characters at 100 KB and at 2 MB and their ratio (linear growth
// keeps the ratio near 1; the target is at most 1.5). Also times colouring.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "ScriptColoring.h"
#include "ScriptDlg.h"
#include "ScriptRtfReader.h"

namespace {

using Clock = std::chrono::steady_clock;

class SilentSpeaker : public lipsmith::ActorSpeaker {
public:
    HRESULT SpeakActor(const std::string& text, int) override {
        spoken += text.size();
        return S_OK;
    }
    std::size_t spoken = 0;
};

// Actors of about 600 characters with markup and facial cues, to the size asked.
std::string MakeScript(std::size_t size) {
    std::string script = "<_ANIM_>\n";
    for (int i = 0; script.size() < size; ++i) {
        script += "<actor node=\"Actor" + std::to_string(i % 50) + "\">\n";
        script += "Well & truly, <rate absspeed=\"2\">this is line " + std::to_string(i) + "</rate>, ";
        script += "<eyes blink=\"true\" side=\"both\" repeat=\"2\" offset=\"60\" value=\"0.8\" duration=\"120\"/>";
        script += "said the actor <pitch absmiddle=\"5\">quite loudly</pitch> and then\n";
        script += "<brow return=\"true\" side=\"left\" value=\"0.5\" duration=\"200\" ret_duration=\"300\"/>";
        script += "<silence msec=\"250\"/> went on <spell>ABC</spell> speaking for a while longer, ";
        script += "as actors do when they have many lines to say in one scene of the play.\n";
        script += "</actor>\n";
    }
    return script + "</_ANIM_>\n";
}

// Best of several runs, in seconds.
template <class F>
double Time(int runs, F f) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

double ParseSeconds(const std::string& script) {
    lipsmith::ScriptDlg dlg;
    SilentSpeaker speaker;
    dlg.SetActorSpeaker(&speaker);
    dlg.isParsing = true;
    return Time(1, [&] {
        if (dlg.ParseScript(script, 0) != S_OK) std::fprintf(stderr, "parse failed\n");
    });
}

}  // namespace

int main() {
    const std::string small = MakeScript(100 * 1024);
    const std::string large = MakeScript(2 * 1024 * 1024);

    // Both sizes are timed in turns, so a busy moment of the machine hits
    // both alike; the best time of each counts.
    double smallSeconds = 1e30;
    double largeSeconds = 1e30;
    for (int round = 0; round < 8; ++round) {
        for (int i = 0; i < 20; ++i) smallSeconds = std::min(smallSeconds, ParseSeconds(small));
        largeSeconds = std::min(largeSeconds, ParseSeconds(large));
    }
    const double smallPerK = smallSeconds * 1e3 / (small.size() / 1000.0);
    const double largePerK = largeSeconds * 1e3 / (large.size() / 1000.0);
    std::printf("parse %8zu chars: %8.2f ms, %.4f ms per 1,000 characters\n", small.size(), smallSeconds * 1e3,
                smallPerK);
    std::printf("parse %8zu chars: %8.2f ms, %.4f ms per 1,000 characters\n", large.size(), largeSeconds * 1e3,
                largePerK);
    std::printf("ratio (2 MB / 100 KB per 1,000 characters): %.2f (target <= 1.5)\n", largePerK / smallPerK);

    const double colorSeconds = Time(5, [&] { lipsmith::ColorizedText(large); });
    std::printf("colour and read back %zu chars: %.2f ms\n", large.size(), colorSeconds * 1e3);
    const double caretSeconds = Time(5, [&] { lipsmith::ColorAtCaret(large, large.size()); });
    std::printf("colour at a caret at the end of %zu chars: %.2f ms\n", large.size(), caretSeconds * 1e3);
    return 0;
}
