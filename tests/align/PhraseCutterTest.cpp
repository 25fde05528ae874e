#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "PhraseCutter.h"

namespace lipsmith::align {
namespace {

// Audio of tone bursts (speech) and gaps over a little background noise.
struct Take {
    std::vector<std::int16_t> samples;
    std::mt19937 noise{7};
    void Gap(int ms, int level = 30) {
        std::uniform_int_distribution<int> d(-level, level);
        for (int i = 0; i < ms * 16; ++i) samples.push_back(static_cast<std::int16_t>(d(noise)));
    }
    void Speech(int ms) {
        for (int i = 0; i < ms * 16; ++i)
            samples.push_back(static_cast<std::int16_t>(6000 * std::sin(i * 0.07) * (0.6 + 0.4 * std::sin(i * 0.003))));
    }
    double Ms(std::uint64_t sample) const { return static_cast<double>(sample) / 16.0; }
};

std::vector<CutPhrase> Cut(const std::vector<std::int16_t>& samples, std::size_t block, CutOptions options = {}) {
    PhraseCutter cutter(options);
    std::vector<CutPhrase> out;
    for (std::size_t at = 0; at < samples.size(); at += block)
        cutter.Feed(std::span(samples).subspan(at, std::min(block, samples.size() - at)), out);
    cutter.Finish(out);
    return out;
}

TEST(PhraseCutter, CutsAtPausesButNotAtShortGapsAndKeepsAudioInPlace) {
    Take t;
    t.Gap(500);
    t.Speech(800);
    t.Gap(120);  // a gap between words: no cut
    t.Speech(600);
    t.Gap(700);  // a pause: cut
    t.Speech(900);
    t.Gap(400);
    const std::vector<CutPhrase> phrases = Cut(t.samples, 1000);
    ASSERT_EQ(phrases.size(), 2u);
    // Each phrase spans its speech with the padding on both sides.
    EXPECT_NEAR(t.Ms(phrases[0].startSample), 500 - 150, 10);
    EXPECT_NEAR(t.Ms(phrases[0].EndSample()), 500 + 800 + 120 + 600 + 150, 10);
    EXPECT_NEAR(t.Ms(phrases[1].startSample), 2720 - 150, 10);
    EXPECT_NEAR(t.Ms(phrases[1].EndSample()), 2720 + 900 + 150, 10);
    // The audio is the stream's own, sample for sample.
    for (const CutPhrase& p : phrases)
        EXPECT_TRUE(std::equal(p.audio.begin(), p.audio.end(), t.samples.begin() + static_cast<long>(p.startSample)));
}

TEST(PhraseCutter, BlockSizeDoesNotChangeTheCuts) {
    Take t;
    for (int i = 0; i < 6; ++i) {
        t.Gap(350 + 40 * i);
        t.Speech(400 + 90 * i);
    }
    const std::vector<CutPhrase> whole = Cut(t.samples, t.samples.size());
    for (std::size_t block : {1u, 7u, 160u, 333u, 4096u}) {
        const std::vector<CutPhrase> parts = Cut(t.samples, block);
        ASSERT_EQ(parts.size(), whole.size()) << block;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            EXPECT_EQ(parts[i].startSample, whole[i].startSample) << block;
            EXPECT_EQ(parts[i].audio.size(), whole[i].audio.size()) << block;
        }
    }
    EXPECT_EQ(whole.size(), 6u);
}

TEST(PhraseCutter, SpeechWithoutPausesIsCutAtItsLongestShortGap) {
    Take t;
    t.Gap(300);
    for (int i = 0; i < 30; ++i) {
        t.Speech(900);
        t.Gap(i == 20 ? 180 : 60);  // never a real pause
    }
    CutOptions options;
    options.maxPhrase = std::chrono::milliseconds(10000);
    const std::vector<CutPhrase> phrases = Cut(t.samples, 2048, options);
    ASSERT_GE(phrases.size(), 3u);
    std::uint64_t covered = 0;
    for (const CutPhrase& p : phrases) {
        EXPECT_LE(p.audio.size(), 10000u * 16 + 160) << "no phrase is longer than the limit";
        EXPECT_GE(p.startSample, covered) << "phrases never overlap";
        covered = p.EndSample();
    }
    // Nothing of the speech is lost between phrases.
    EXPECT_NEAR(t.Ms(phrases.front().startSample), 150, 10);
    EXPECT_GE(t.Ms(phrases.back().EndSample()), t.Ms(t.samples.size()) - 80);
}

TEST(PhraseCutter, LouderBackgroundIsNotSpeechAndSilenceGivesNoPhrase) {
    Take quiet;
    quiet.Gap(3000);
    EXPECT_TRUE(Cut(quiet.samples, 512).empty());
    EXPECT_TRUE(Cut({}, 512).empty());
    Take noisy;
    noisy.Gap(1500, 600);  // a noisy room
    noisy.Speech(700);
    noisy.Gap(1500, 600);
    const std::vector<CutPhrase> phrases = Cut(noisy.samples, 512);
    ASSERT_EQ(phrases.size(), 1u);
    EXPECT_NEAR(noisy.Ms(phrases[0].startSample), 1500 - 150, 30);
}

}  // namespace
}  // namespace lipsmith::align
