// bench_voice [WORDS]: speaks a long English text (about WORDS words, default
// 3000) with the voice into a wave file, fetching every event as the speech
// server does, and with `espeak-ng -w` on the same text; prints both times,
// their ratio, the audio length and the event counts.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "MessageQueue.h"
#include "Riff.h"
#include "SpeechApi.h"

using namespace lipsmith;
using namespace lipsmith::speech;
using Clock = std::chrono::steady_clock;

namespace {

const char* kParagraph =
    "The animator opened the scene and read the first line of the script aloud. "
    "Every character had something to say, and every word needed a mouth that moved with it. "
    "When the dialogue ran long, the rig kept up: lips pressed for the b and the m, "
    "teeth showed for the s, and the jaw dropped wide on every open vowel. ";

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

}  // namespace

int main(int argc, char** argv) {
    const long words = argc > 1 ? std::max(1L, std::atol(argv[1])) : 3000;
    std::string text;
    long perParagraph = 0;
    for (const char* c = kParagraph; *c; ++c) perParagraph += *c == ' ';
    long count = 0;
    while (count < words) {
        text += kParagraph;
        count += perParagraph;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("lipsmith-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string ours = (dir / "voice.wav").string();
    const std::string theirs = (dir / "espeak.wav").string();
    const std::string textFile = (dir / "text.txt").string();
    std::ofstream(textFile) << text;
    setenv("LIPSMITH_NO_AUDIO", "1", 1);

    // Start-up (espeak-ng data loading) is not part of the comparison.
    std::unique_ptr<ISpVoice> voice;
    if (FAILED(CreateSpVoice(&voice))) {
        std::fprintf(stderr, "bench_voice: no voice\n");
        return 1;
    }
    voice->SetInterest(SPFEI_ALL_TTS_EVENTS, SPFEI_ALL_TTS_EVENTS);
    long phonemes = 0, events = 0, ms = 0;
    voice->SetNotifyCallbackFunction([&] {
        SPEVENT ev;
        std::uint32_t n = 0;
        while (voice->GetEvents(1, &ev, &n) == S_OK && n == 1) {
            ++events;
            if (ev.eEventId == SPEI_PHONEME) {
                ++phonemes;
                ms += static_cast<long>(ev.wParam >> 16);
            }
        }
    });

    const auto t0 = Clock::now();
    {
        auto stream = CreateSpStream();
        if (stream->BindToFile(ours, SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), SPFEI_ALL_EVENTS) != S_OK) return 1;
        voice->SetOutput(stream, true);
    }
    voice->Speak(text, SPF_ASYNC | SPF_IS_XML, nullptr);
    while (voice->WaitUntilDone(2) != S_OK) {
        MSG m;
        while (PeekMessage(&m, 0, PM_REMOVE)) DispatchMessage(&m);
    }
    voice->SetOutput(nullptr, true);  // completes the file
    const auto t1 = Clock::now();

    const std::string cmd = "espeak-ng -v en-us -w '" + theirs + "' -f '" + textFile + "' 2>/dev/null";
    const auto t2 = Clock::now();
    const int rc = std::system(cmd.c_str());
    const auto t3 = Clock::now();

    WaveInfo a, b;
    const bool haveOurs = ReadWaveInfo(ours, a);
    const bool haveTheirs = rc == 0 && ReadWaveInfo(theirs, b);
    const double audio = haveOurs ? a.dataSize / 2 / 22050.0 : 0;
    std::printf("text: %zu characters, about %ld words\n", text.size(), count);
    std::printf("voice (CreateSpVoice -> wave file, events fetched): %.3f s  audio %.1f s  %.0fx real time\n",
                Seconds(t0, t1), audio, audio / Seconds(t0, t1));
    std::printf("  events %ld, phonemes %ld, phoneme time %.3f s (wave %.3f s)\n", events, phonemes, ms / 1000.0,
                audio);
    if (haveTheirs) {
        std::printf("espeak-ng -w (process start included):       %.3f s  audio %.1f s\n", Seconds(t2, t3),
                    b.dataSize / 2 / 22050.0);
        std::printf("ratio voice / espeak-ng: %.2f\n", Seconds(t0, t1) / Seconds(t2, t3));
    } else {
        std::printf("espeak-ng -w: not available\n");
    }
    std::filesystem::remove_all(dir);
    return 0;
}
