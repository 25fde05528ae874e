// Timing and order of a stream's events from sample positions.
#include "PhonemeTimeline.h"

#include <gtest/gtest.h>

#include <vector>

namespace lipsmith::engines {
namespace {

using namespace lipsmith::speech;

unsigned Dur(const SPEVENT& e) { return static_cast<unsigned>(e.wParam >> 16); }
unsigned Next(const SPEVENT& e) { return static_cast<unsigned>(e.wParam & 0xFFFF); }
unsigned Id(const SPEVENT& e) { return static_cast<unsigned>(e.lParam & 0xFFFF); }

SPEVENT Mark(std::uint64_t tag) {
    SPEVENT e;
    e.eEventId = SPEI_TTS_BOOKMARK;
    e.wParam = tag;
    return e;
}

TEST(PhonemeTimeline, DurationsAddUpToTheAudioWithoutDrift) {
    PhonemeTimeline t(22050);
    // 500 phonemes 1.37 ms... apart in awkward sample counts: rounding each
    // duration on its own would drift; cumulative rounding must not.
    std::uint64_t at = 0;
    for (int i = 0; i < 500; ++i) {
        t.AddPhoneme(at, static_cast<std::uint16_t>(10 + i % 30), 0);
        at += 30 + (i * 7) % 23;
    }
    t.Finish(at + 100);
    unsigned long sum = 0;
    std::uint64_t count = 0;
    for (const SPEVENT& e : t.TakeReady()) {
        ASSERT_EQ(e.eEventId, SPEI_PHONEME);
        sum += Dur(e);
        ++count;
    }
    EXPECT_EQ(sum, t.MsAt(at + 100));
    EXPECT_GT(count, 400u);  // short ones may round to zero and vanish, not more
}

TEST(PhonemeTimeline, LeadingPauseBecomesSilence) {
    PhonemeTimeline t(1000);  // one sample per millisecond keeps the numbers readable
    t.AddPhoneme(12, 26, 0);
    t.AddPhoneme(50, 15, 0);
    t.Finish(80);
    const auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(Id(ev[0]), kSilencePhone);
    EXPECT_EQ(Dur(ev[0]), 12u);
    EXPECT_EQ(Next(ev[0]), 26u);
    EXPECT_EQ(Id(ev[1]), 26u);
    EXPECT_EQ(Dur(ev[1]), 38u);
    EXPECT_EQ(Next(ev[1]), 15u);
    EXPECT_EQ(Dur(ev[2]), 30u);          // the last runs to the end of the audio
    EXPECT_EQ(Next(ev[2]), kSilencePhone);
    EXPECT_EQ(ev[1].ullAudioStreamOffset, 24u);  // bytes: 12 samples of 2 bytes
}

TEST(PhonemeTimeline, NoLeadingSilenceWhenSpeechStartsAtOnce) {
    PhonemeTimeline t(1000);
    t.AddPhoneme(0, 26, 0);
    t.Finish(10);
    const auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(Id(ev[0]), 26u);
}

TEST(PhonemeTimeline, EventsWaitForTheirAudioAndPhonemesForTheirEnd) {
    PhonemeTimeline t(1000);
    t.AddPhoneme(0, 26, 0);
    t.AddEvent(40, Mark(1));
    EXPECT_TRUE(t.TakeReady().empty());   // phoneme end unknown, mark's audio not written
    t.AudioWritten(30);
    EXPECT_TRUE(t.TakeReady().empty());
    t.AddPhoneme(40, 15, 0);
    t.AudioWritten(39);
    // Its end is known, but the next one might still turn out to have no
    // length of its own and need a share of it.
    EXPECT_TRUE(t.TakeReady().empty());
    t.AddPhoneme(50, 17, 0);
    auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 1u);             // the first phoneme
    EXPECT_EQ(Dur(ev[0]), 40u);
    t.AudioWritten(40);
    ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 1u);             // the mark: its audio is out
    EXPECT_EQ(ev[0].eEventId, SPEI_TTS_BOOKMARK);
    t.AudioWritten(52);                   // phonemes still to come start here or later
    ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(Dur(ev[0]), 10u);
    t.Finish(60);
    ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(Dur(ev[0]), 10u);
}

TEST(PhonemeTimeline, MarkGoesBeforeAPhonemeThatStartsWhereItIs) {
    PhonemeTimeline t(1000);
    t.AddPhoneme(0, 26, 0);
    t.AddPhoneme(30, kSilencePhone, 0);   // the pause after a word, reported before the mark
    t.AddEvent(30, Mark(7));
    t.AddEvent(35, Mark(8));              // later than the pause's start: after it
    t.AddPhoneme(45, 17, 0);
    t.Finish(60);
    const auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 5u);
    EXPECT_EQ(Id(ev[0]), 26u);
    EXPECT_EQ(ev[1].eEventId, SPEI_TTS_BOOKMARK);
    EXPECT_EQ(ev[1].wParam, 7u);
    EXPECT_EQ(Id(ev[2]), kSilencePhone);
    EXPECT_EQ(ev[3].wParam, 8u);
    EXPECT_EQ(Id(ev[4]), 17u);
}

TEST(PhonemeTimeline, ZeroLengthSilencesVanishAndSoundsShareThePhonemeBefore) {
    PhonemeTimeline t(1000);
    t.AddPhoneme(0, 26, 0);
    t.AddPhoneme(20, 7, 0);
    t.AddPhoneme(20, 7, 0);
    t.AddPhoneme(20, 15, 0);
    t.Finish(20);  // the last one has no audio either
    auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(Id(ev[0]), 26u);
    EXPECT_EQ(Dur(ev[0]), 10u);
    EXPECT_EQ(Next(ev[0]), 15u);
    EXPECT_EQ(Id(ev[1]), 15u);
    EXPECT_EQ(Dur(ev[1]), 10u);

    // The engine's "Bell.": the final "l" is reported where the pause begins;
    // the word boundary there stays after it.
    PhonemeTimeline bell(1000);
    bell.AddPhoneme(0, 17, 0);     // b
    bell.AddPhoneme(20, 21, 0);    // eh
    bell.AddPhoneme(260, 31, 0);   // l
    bell.AddEvent(260, Mark(3));
    bell.AddPhoneme(260, 7, 0);    // the pause
    bell.AddPhoneme(560, 7, 0);
    bell.Finish(600);
    ev = bell.TakeReady();
    std::vector<std::pair<unsigned, unsigned>> phones;
    for (const SPEVENT& e : ev) phones.push_back({e.eEventId == SPEI_PHONEME ? Id(e) : 0u, Dur(e)});
    EXPECT_EQ(phones, (std::vector<std::pair<unsigned, unsigned>>{
                          {17, 20}, {21, 120}, {31, 120}, {0, 0}, {7, 300}, {7, 40}}));

    // After a pause a hidden sound takes no more than a consonant's length.
    PhonemeTimeline pause(1000);
    pause.AddPhoneme(0, 7, 0);
    pause.AddPhoneme(1000, 31, 0);
    pause.AddPhoneme(1000, 21, 0);
    pause.Finish(1100);
    ev = pause.TakeReady();
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(Dur(ev[0]), 940u);
    EXPECT_EQ(Id(ev[1]), 31u);
    EXPECT_EQ(Dur(ev[1]), 60u);
}

TEST(PhonemeTimeline, LongPausesAreSplitToFitSixteenBits) {
    PhonemeTimeline t(1000);
    t.AddPhoneme(0, 7, 0);
    t.AddPhoneme(150000, 26, 0);
    t.Finish(150010);
    const auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_EQ(Dur(ev[0]), 65535u);
    EXPECT_EQ(Dur(ev[1]), 65535u);
    EXPECT_EQ(Dur(ev[2]), 150000u - 2 * 65535u);
    EXPECT_EQ(Next(ev[0]), 7u);
    EXPECT_EQ(Next(ev[2]), 26u);
    EXPECT_EQ(ev[1].ullAudioStreamOffset, 65535u * 2);
}

TEST(PhonemeTimeline, AudioWithoutPhonemesIsSilence) {
    PhonemeTimeline t(1000);
    t.AddEvent(0, Mark(1));
    t.Finish(25);
    const auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].eEventId, SPEI_TTS_BOOKMARK);
    EXPECT_EQ(Id(ev[1]), kSilencePhone);
    EXPECT_EQ(Dur(ev[1]), 25u);
}

TEST(PhonemeTimeline, FeaturesTravelInTheHighWord) {
    PhonemeTimeline t(1000);
    t.AddPhoneme(0, 35, SPVFEATURE_STRESSED);
    t.Finish(10);
    const auto ev = t.TakeReady();
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].lParam, (1 << 16) | 35);
}

}  // namespace
}  // namespace lipsmith::engines
