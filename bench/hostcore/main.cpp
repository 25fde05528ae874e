// Costs of the speech controller paths the pipeline leans on: writing keys in
// time order, evaluating a long track, and the per-phoneme edit at the end of
// a track (delete the span, add a note, append a key). Prints figures; the
// ratios at 10,000 and 100,000 keys show whether the cost per key stays flat.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "SceneFile.h"
#include "SpeechController.h"

using namespace lipsmith;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// ns per key for writing n keys 100 ticks apart.
double WriteKeys(int n) {
    auto* c = new SpeechController();
    c->channel = 2;
    auto t0 = Clock::now();
    for (int i = 0; i < n; ++i) {
        float v = static_cast<float>(i % 10) / 10.0f;
        c->SetValueLocalTime(i * 100, &v, 1, CTRL_RELATIVE);
    }
    auto t1 = Clock::now();
    c->DeleteThis();
    return Seconds(t0, t1) * 1e9 / n;
}

// ns per evaluation on a track of n keys.
double Evaluate(int n) {
    auto* c = new SpeechController();
    for (int i = 0; i < n; ++i) {
        float v = static_cast<float>(i % 10) / 10.0f;
        c->SetValueLocalTime(i * 100, &v);
    }
    const int evals = 200000;
    volatile float sink = 0;
    unsigned x = 12345;
    auto t0 = Clock::now();
    for (int i = 0; i < evals; ++i) {
        x = x * 1103515245u + 12345u;
        float v = 0;
        Interval valid;
        c->GetValue(static_cast<TimeValue>(x % (static_cast<unsigned>(n) * 100u)), &v, valid);
        sink = sink + v;
    }
    auto t1 = Clock::now();
    c->DeleteThis();
    return Seconds(t0, t1) * 1e9 / evals;
}

// ns per phoneme for the Replace-mode edit at the end of a track of n phonemes.
double PhonemeEdits(int n) {
    auto* c = new SpeechController();
    const TimeValue d = 400;
    auto t0 = Clock::now();
    for (int i = 0; i < n; ++i) {
        TimeValue t = i * d;
        c->SetFirstKeyFlag(i == 0);
        c->DeleteTimeBoth(t, t + d);
        c->AddNote(t, "aa");
        float v = 0.5f;
        c->SetValueLocalTime(t, &v);
    }
    auto t1 = Clock::now();
    c->DeleteThis();
    return Seconds(t0, t1) * 1e9 / n;
}

void SceneFileFigures() {
    // 30 minutes of dialogue at about 11 phonemes a second on 25 controllers.
    const int controllers = 25, keys = 20000;
    ClassDirectory::Get().AddClass(GetSpeechControllerDesc());
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* node = ip.CreateNode("Head");
    for (int k = 0; k < controllers; ++k) {
        auto* c = new SpeechController();
        c->channel = 1 + k % 10;
        for (int i = 0; i < keys; ++i) {
            float v = 0.5f;
            c->SetValueLocalTime(i * 430, &v);
            c->AddNote(i * 430, "aa");
        }
        node->AddTrack(ChannelName(c->channel), c);
    }
    const std::string path = "/tmp/lipsmith_bench_" + std::to_string(::getpid()) + ".lsc";
    std::string error;
    auto t0 = Clock::now();
    bool saved = SaveScene(ip, path, &error);
    auto t1 = Clock::now();
    bool loaded = saved && LoadScene(ip, path, &error);
    auto t2 = Clock::now();
    std::remove(path.c_str());
    if (!loaded) {
        std::printf("scene file: %s\n", error.c_str());
        return;
    }
    std::printf("scene file, %d controllers x %d keys and notes: save %.3f s, load %.3f s\n", controllers, keys,
                Seconds(t0, t1), Seconds(t1, t2));
    ip.ResetScene();
}

}  // namespace

int main() {
    WriteKeys(10000);  // warm up
    const double w10k = WriteKeys(10000), w100k = WriteKeys(100000);
    std::printf("SetValueLocalTime in time order: %.1f ns/key at 10,000 keys, %.1f ns/key at 100,000 keys, "
                "ratio %.2f (target <= 1.5)\n",
                w10k, w100k, w100k / w10k);
    const double e1k = Evaluate(1000), e10k = Evaluate(10000), e100k = Evaluate(100000);
    std::printf("GetValue: %.1f ns at 1,000 keys, %.1f ns at 10,000, %.1f ns at 100,000 (ratio 100k/1k %.2f; "
                "linear growth would be 100)\n",
                e1k, e10k, e100k, e100k / e1k);
    const double p10k = PhonemeEdits(10000), p100k = PhonemeEdits(100000);
    std::printf("phoneme edit (DeleteTimeBoth + AddNote + SetValueLocalTime) at the end: %.1f ns at 10,000, "
                "%.1f ns at 100,000, ratio %.2f\n",
                p10k, p100k, p100k / p10k);
    SceneFileFigures();
    return 0;
}
