// The voice with real espeak-ng: event order, timing against the wave file,
// markup, purging, voices.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Riff.h"
#include "VoiceHarness.h"

namespace lipsmith::testing {
namespace {

using namespace lipsmith::speech;

class VoiceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LIPSMITH_NO_AUDIO", "1", 1);
        ASSERT_TRUE(h.Create());
        dir = std::filesystem::temp_directory_path() / ("lipsmith-voice-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string WaveTo(const std::string& name) {
        const std::string path = (dir / name).string();
        auto stream = CreateSpStream();
        EXPECT_EQ(stream->BindToFile(path, SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), SPFEI_ALL_EVENTS), S_OK);
        EXPECT_EQ(h.voice->SetOutput(stream, true), S_OK);
        return path;
    }

    VoiceHarness h;
    std::filesystem::path dir;
};

TEST_F(VoiceEndToEnd, MarkupSpeaksInOrderAndTilesTheWaveFile) {
    const std::string path = WaveTo("order.wav");
    const std::string text =
        "<rate absspeed=\"2\">Hello there,</rate> <pitch absmiddle=\"5\">my friend.</pitch>"
        "<silence msec=\"300\"/> <spell>abc</spell> <voice required=\"Name=English (Great Britain)\">"
        "Good <bookmark mark=\"42 blink\"/>morning.</voice> Bye now!";
    ASSERT_TRUE(h.Say(text));
    ASSERT_EQ(h.voice->SetOutput(nullptr, true), S_OK);  // last reference to the stream goes

    ASSERT_FALSE(h.events.empty());
    EXPECT_EQ(h.events.front().eEventId, SPEI_START_INPUT_STREAM);
    EXPECT_EQ(h.events.back().eEventId, SPEI_END_INPUT_STREAM);

    // The bookmark comes after the phonemes of "Good" and before those of "morning".
    std::size_t mark = 0;
    for (std::size_t i = 0; i < h.events.size(); ++i)
        if (h.events[i].eEventId == SPEI_TTS_BOOKMARK) mark = i;
    ASSERT_GT(mark, 0u);
    EXPECT_EQ(*h.events[mark].text, L"42 blink");
    EXPECT_EQ(h.events[mark].wParam, 42u);
    EXPECT_EQ(h.events[mark].elParamType, SPET_LPARAM_IS_STRING);
    EXPECT_EQ(reinterpret_cast<const wchar_t*>(h.events[mark].lParam), h.events[mark].text->c_str());

    unsigned long total = 0;
    for (const auto& e : h.Of(SPEI_PHONEME)) {
        EXPECT_GE(Phone(e), 1u);
        EXPECT_LE(Phone(e), 49u);
        total += Duration(e);
    }
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(path, info));
    EXPECT_EQ(info.format.formatTag, 1);
    EXPECT_EQ(info.format.channels, 1);
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(info.format.bitsPerSample, 16);
    const double waveMs = info.dataSize / 2 * 1000.0 / 22050.0;
    EXPECT_NEAR(total, waveMs, waveMs * 0.005);
    EXPECT_FALSE(h.Of(SPEI_WORD_BOUNDARY).empty());
    EXPECT_FALSE(h.Of(SPEI_SENTENCE_BOUNDARY).empty());
}

}  // namespace
}  // namespace lipsmith::testing
