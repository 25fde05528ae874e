// Sound for the studio: wave clips, their outline, and playback whose clock
// is the frames the output has played.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "Player.h"
#include "WaveFiles.h"
#include "WavePeaks.h"

using namespace lipsmith;
using namespace lipsmith::playback;
using lipsmith::studiotest::Pcm16;
using lipsmith::studiotest::WriteWave;

namespace {

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "/studio_" + std::to_string(::getpid()) + "_" + name;
}

// An output whose played frames the test sets; it pulls what it is told to.
class ScriptedOutput : public AudioOutput {
public:
    struct State {
        std::int64_t played = 0;
        AudioSource* source = nullptr;
        int rate = 0, channels = 0, starts = 0;
        bool refuse = false;
    };
    explicit ScriptedOutput(std::shared_ptr<State> s) : s_(std::move(s)) {}
    bool Start(AudioSource* source, int rate, int channels) override {
        if (s_->refuse) return false;
        s_->source = source;
        s_->rate = rate;
        s_->channels = channels;
        s_->played = 0;
        ++s_->starts;
        return true;
    }
    void Stop() override {}
    std::int64_t FramesPlayed() const override { return s_->played; }
    bool IsSilent() const override { return false; }

private:
    std::shared_ptr<State> s_;
};

// A clock the test moves by hand.
class ManualClock : public PlaybackClock {
public:
    std::atomic<double> now{0};
    double Seconds() override { return now; }
    void Sleep(double) override { std::this_thread::yield(); }
};

}  // namespace

TEST(WaveClip, ReadsEightAndSixteenBitPcmAndRefusesOtherFiles) {
    const std::string mono16 = TempPath("m16.wav"), stereo8 = TempPath("s8.wav"), bad = TempPath("bad.wav"),
                      truncated = TempPath("t.wav");
    WriteWave(mono16, 1, 8000, 16, Pcm16({0, 1000, -1000, 32767}));
    WriteWave(stereo8, 2, 11025, 8, {128, 255, 0, 128});
    WriteWave(truncated, 1, 8000, 16, Pcm16({5, 6, 7}), 1000);
    std::FILE* f = std::fopen(bad.c_str(), "wb");
    std::fputs("not a wave file", f);
    std::fclose(f);

    WaveClipResult a = LoadWaveClip(mono16);
    ASSERT_TRUE(a) << a.error;
    EXPECT_EQ(a.clip->Frames(), 4);
    EXPECT_EQ(a.clip->Rate(), 8000);
    EXPECT_EQ(a.clip->Sample(2, 0), -1000);
    EXPECT_EQ(a.clip->Sample(-1, 0), 0);
    EXPECT_EQ(a.clip->Sample(4, 0), 0);

    WaveClipResult b = LoadWaveClip(stereo8);
    ASSERT_TRUE(b) << b.error;
    EXPECT_EQ(b.clip->Channels(), 2);
    EXPECT_EQ(b.clip->Frames(), 2);
    EXPECT_EQ(b.clip->Sample(0, 0), 0);
    EXPECT_EQ(b.clip->Sample(0, 1), 127 * 256);
    EXPECT_EQ(b.clip->Sample(1, 0), -128 * 256);

    // A data chunk that claims more than the file holds is refused, as the scene's sound refuses it.
    EXPECT_FALSE(LoadWaveClip(truncated));

    WaveClipResult c = LoadWaveClip(bad);
    EXPECT_FALSE(c);
    EXPECT_EQ(c.error, "'" + bad + "' cannot be read as a wave file.");
    EXPECT_FALSE(LoadWaveClip(TempPath("missing.wav")));
    EXPECT_FALSE(LoadWaveClip(mono16, 4));  // larger than allowed
    for (const std::string& p : {mono16, stereo8, bad, truncated}) std::remove(p.c_str());
}

TEST(WavePeaks, RangesOverAnyStretchEqualTheSamplesThere) {
    std::vector<std::int16_t> s(5000);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>((i * 7919) % 20001) - 10000;
    auto clip = WaveClip::FromSamples(s, 22050, 1);
    WavePeaks peaks(clip);
    for (auto [a, b] : std::vector<std::pair<int, int>>{{0, 5000}, {3, 9}, {250, 1300}, {4999, 5000}, {255, 513}}) {
        const auto lo = *std::min_element(s.begin() + a, s.begin() + b);
        const auto hi = *std::max_element(s.begin() + a, s.begin() + b);
        const PeakRange r = peaks.Range(a, b);
        EXPECT_EQ(r.low, lo) << a << ".." << b;
        EXPECT_EQ(r.high, hi) << a << ".." << b;
    }
    const PeakRange outside = peaks.Range(6000, 7000);
    EXPECT_EQ(outside.low, 0);
    EXPECT_EQ(outside.high, 0);
}

TEST(Player, HeardTimeIsTheStartPlusTheFramesPlayed) {
    auto state = std::make_shared<ScriptedOutput::State>();
    Player player(std::make_unique<ScriptedOutput>(state));
    std::vector<std::int16_t> samples(22050);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i);
    auto clip = WaveClip::FromSamples(samples, 22050, 1);
    // The sound starts at tick 4800 (1 s); playing from tick 2400 begins half a second early.
    ASSERT_TRUE(player.Play(clip, 4800, 2400));
    EXPECT_EQ(state->rate, 22050);
    std::int16_t buf[4];
    state->source->Fill(buf, 2);
    EXPECT_EQ(buf[0], 0);  // silence before the sound
    state->played = 11025;  // half a second heard
    EXPECT_EQ(player.Position(), 4800);
    ASSERT_TRUE(player.Play(clip, 4800, 4800 + 480));  // a tenth of a second into the sound
    state->source->Fill(buf, 3);
    EXPECT_EQ(buf[0], 2205);
    EXPECT_EQ(buf[2], 2207);
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.Position(), 4800 + 480);
}

TEST(Player, AnOutputThatRefusesTheFormatFallsBackToSilence) {
    auto state = std::make_shared<ScriptedOutput::State>();
    state->refuse = true;
    Player player(std::make_unique<ScriptedOutput>(state));
    ASSERT_TRUE(player.Play(nullptr, 0, 0));
    EXPECT_TRUE(player.Output().IsSilent());
    player.Stop();
}

TEST(PlaybackDriver, TheSceneTimeIsTheFrameBeingHeardUntilTheEnd) {
    Interface ip;
    struct Heard : TimeChangeCallback {
        std::vector<TimeValue> times;
        void TimeChanged(TimeValue t) override { times.push_back(t); }
    } heard;
    ip.RegisterTimeChangeCallback(&heard);
    auto state = std::make_shared<ScriptedOutput::State>();
    Player player(std::make_unique<ScriptedOutput>(state));
    PlaybackDriver driver(ip, player);
    ip.SetTime(160);
    ASSERT_TRUE(driver.Start(nullptr, 0, 160 * 10));
    state->played = 22050 / 30 + 10;  // a little over one frame
    EXPECT_TRUE(driver.Step());
    EXPECT_EQ(ip.GetTime(), 320);
    state->played = 22050;  // one second: past the end
    EXPECT_FALSE(driver.Step());
    EXPECT_EQ(ip.GetTime(), 1600);
    EXPECT_FALSE(driver.IsPlaying());
    EXPECT_EQ(heard.times, (std::vector<TimeValue>{160, 320, 1600}));
    ip.UnRegisterTimeChangeCallback(&heard);
    EXPECT_FALSE(driver.Start(nullptr, 0, 1600));  // nothing left to play
}

TEST(SilentOutput, PlaysAtThePaceOfItsClockAndPullsAhead) {
    auto clock = std::make_shared<ManualClock>();
    std::unique_ptr<AudioOutput> out = NewSilentOutput(clock);
    struct Counting : AudioSource {
        std::atomic<std::int64_t> frames{0};
        void Fill(std::int16_t* o, std::size_t n) override {
            std::fill(o, o + n, 0);
            frames += static_cast<std::int64_t>(n);
        }
    } source;
    ASSERT_TRUE(out->Start(&source, 1000, 1));
    EXPECT_EQ(out->FramesPlayed(), 0);
    clock->now = 2.5;
    while (source.frames < 2500) std::this_thread::yield();  // the output catches up with its clock
    EXPECT_EQ(out->FramesPlayed(), 2500);
    out->Stop();
    EXPECT_EQ(out->FramesPlayed(), 2500);
    EXPECT_TRUE(out->IsSilent());
}

TEST(DeviceOutput, NoDeviceIsOpenedWhileAudioIsOff) {
    const char* old = std::getenv("LIPSMITH_NO_AUDIO");
    const std::string saved = old ? old : "";
    ::setenv("LIPSMITH_NO_AUDIO", "1", 1);
    EXPECT_EQ(OpenDeviceOutput(), nullptr);
    EXPECT_TRUE(OpenBestOutput()->IsSilent());
    if (old) ::setenv("LIPSMITH_NO_AUDIO", saved.c_str(), 1);
    else ::unsetenv("LIPSMITH_NO_AUDIO");
}
