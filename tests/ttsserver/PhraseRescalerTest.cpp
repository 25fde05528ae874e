// The voice's phonemes fitted word by word to a recognised phrase, fed with
// scripted voice events in both orders a voice may report them in.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "PhraseRescaler.h"

namespace lipsmith::tts {
namespace {

using namespace lipsmith::speech;

constexpr std::uint32_t kBytesPerMs = 44;  // close enough for building offsets; exact values below use 44.1

std::uint32_t Bytes(double ms) { return static_cast<std::uint32_t>(std::lround(ms * 44.1)); }

struct Sent {
    unsigned duration, next, phone, features;
};

class PhraseRescalerTest : public ::testing::Test {
protected:
    void Use(std::vector<double> wordStartsMs, double retainedMs, std::vector<std::uint32_t> positions = {}) {
        PhraseTiming t;
        t.wordPositions = std::move(positions);
        for (double ms : wordStartsMs) t.wordOffsets.push_back(Bytes(ms));
        t.retainedBytes = Bytes(retainedMs);
        rescaler = std::make_unique<PhraseRescaler>(t, [this](WPARAM w, LPARAM l) {
            sent.push_back(Sent{static_cast<unsigned>((w >> 16) & 0xFFFF), static_cast<unsigned>(w & 0xFFFF),
                                static_cast<unsigned>(l & 0xFFFF), static_cast<unsigned>((l >> 16) & 0xFFFF)});
        });
        rescaler->StartStream();
        voiceBytes = 0;
    }
    // The voice's events, at its own audio positions.
    void Phoneme(std::uint16_t phone, std::uint16_t ms, std::uint16_t features = 0) {
        rescaler->Phoneme((static_cast<WPARAM>(ms) << 16) | 99, static_cast<LPARAM>((features << 16) | phone), voiceBytes);
        voiceBytes += ms * kBytesPerMs;
    }
    void Boundary(std::uint32_t position) { rescaler->WordBoundary(position, voiceBytes); }
    // A voice that reports a word's first phoneme before its boundary (the
    // phoneme starts where the word does).
    void PhonemeThenBoundary(std::uint32_t position, std::uint16_t phone, std::uint16_t ms) {
        const std::uint64_t at = voiceBytes;
        Phoneme(phone, ms);
        rescaler->WordBoundary(position, at);
    }
    std::vector<unsigned> Durations() const {
        std::vector<unsigned> d;
        for (const Sent& s : sent) d.push_back(s.duration);
        return d;
    }

    std::unique_ptr<PhraseRescaler> rescaler;
    std::vector<Sent> sent;
    std::uint64_t voiceBytes = 0;
};

TEST_F(PhraseRescalerTest, TwiceAsLongSynthesisIsHalvedWordByWordInEitherEventOrder) {
    // Spoken: 200 ms and 300 ms; synthesised: 400 ms and 600 ms.
    Use({0, 200}, 500);
    Boundary(0);
    Phoneme(10, 100);
    Phoneme(20, 300);
    Boundary(6);
    Phoneme(30, 200);
    Phoneme(40, 400);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{50, 150, 100, 200}));

    sent.clear();
    Use({0, 200}, 500);
    Boundary(0);
    Phoneme(10, 100);
    Phoneme(20, 300);
    PhonemeThenBoundary(6, 30, 200);  // carried into the second word
    Phoneme(40, 400);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{50, 150, 100, 200}));
    EXPECT_EQ(rescaler->WordIndex(), 2u);
}

TEST_F(PhraseRescalerTest, RoundedDurationsOfAWordAddUpToItsSpokenLength) {
    const std::vector<double> starts = {0, 371, 604.3};
    const double endMs = 695;
    Use(starts, endMs);
    const std::vector<std::vector<std::uint16_t>> words = {{33, 47, 61, 29, 18}, {71, 13, 55}, {41, 9}};
    for (std::size_t w = 0; w < words.size(); ++w) {
        Boundary(static_cast<std::uint32_t>(w * 5));
        for (std::uint16_t ms : words[w]) Phoneme(static_cast<std::uint16_t>(10 + ms % 30), ms);
    }
    rescaler->EndStream();
    ASSERT_EQ(sent.size(), 10u);
    std::size_t at = 0;
    for (std::size_t w = 0; w < words.size(); ++w) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < words[w].size(); ++i) sum += sent[at++].duration;
        const double exact = (Bytes(w + 1 < starts.size() ? starts[w + 1] : endMs) - Bytes(starts[w])) / 44.1;
        EXPECT_LE(std::abs(sum - exact), 0.5 * static_cast<double>(words[w].size())) << "word " << w;
    }
}

TEST_F(PhraseRescalerTest, RepeatedSilencesAreMergedIntoTheFirst) {
    Use({0}, 300);
    Boundary(0);
    Phoneme(kSilencePhone, 50);
    Phoneme(kSilencePhone, 30);
    Phoneme(kSilencePhone, 20);
    Phoneme(10, 100);
    rescaler->EndStream();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].phone, kSilencePhone);
    // 150 ms of counted phonemes fill 300 ms.
    EXPECT_EQ(Durations(), (std::vector<unsigned>{100, 200}));
}

TEST_F(PhraseRescalerTest, TrailingSilencesAreSentButDoNotCountTowardsTheLastWord) {
    Use({0}, 100);
    Boundary(0);
    Phoneme(10, 100);
    Phoneme(20, 100);
    Phoneme(kSilencePhone, 100);
    Phoneme(kSilencePhone, 50);  // merged away
    rescaler->EndStream();
    // The two phonemes fill the word's 100 ms; the silence is scaled alike.
    EXPECT_EQ(Durations(), (std::vector<unsigned>{50, 50, 50}));
    EXPECT_EQ(sent[2].phone, kSilencePhone);
}

TEST_F(PhraseRescalerTest, PhonemesKeepTheirIdentityAndFeatures) {
    Use({0}, 1000);
    Boundary(0);
    Phoneme(27, 250, SPVFEATURE_STRESSED);
    rescaler->EndStream();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].duration, 1000u);
    EXPECT_EQ(sent[0].next, 99u);
    EXPECT_EQ(sent[0].phone, 27u);
    EXPECT_EQ(sent[0].features, SPVFEATURE_STRESSED);
}

TEST_F(PhraseRescalerTest, AWordWithoutPhonemesHandsItsStretchToTheNextWord) {
    // Three recognised words; the voice gives the middle one no phonemes.
    Use({0, 100, 300}, 400);
    Boundary(0);
    Phoneme(10, 100);
    Boundary(4);
    Boundary(8);
    Phoneme(20, 100);
    Phoneme(30, 100);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{100, 150, 150}));

    // With the other event order the carried phoneme is kept, not dropped.
    sent.clear();
    Use({0, 100, 300}, 400);
    Boundary(0);
    Phoneme(10, 100);
    PhonemeThenBoundary(4, 20, 100);
    rescaler->WordBoundary(8, voiceBytes - 100 * kBytesPerMs);  // the same place: no phonemes of its own
    Phoneme(30, 100);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{100, 150, 150}));
}

// Recognised "of the script" at 0, 100 and 300 ms; the voice reports "of
// the" as one word (no boundary at "the", position 3) or "script" as two.
TEST_F(PhraseRescalerTest, BoundariesAreMatchedToTheWordsAtTheirPlaces) {
    Use({0, 100, 300}, 600, WordPositionsOf({"of", "the", "script"}));
    Boundary(0);
    Phoneme(10, 100);
    Phoneme(11, 100);  // "of the": 200 ms of voice for 300 ms of recording
    Boundary(7);       // "script"
    Phoneme(12, 50);
    Phoneme(13, 50);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{150, 150, 150, 150}));

    // Paired in order instead, "of the" would get the length of "of" and
    // "script" that of "the".
    sent.clear();
    Use({0, 100, 300}, 600);
    Boundary(0);
    Phoneme(10, 100);
    Phoneme(11, 100);
    Boundary(7);
    Phoneme(12, 50);
    Phoneme(13, 50);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{50, 50, 100, 100}));

    // One recognised word said as two: the inner boundary keeps its phonemes together.
    sent.clear();
    Use({0, 100}, 300, WordPositionsOf({"of", "thescript"}));
    Boundary(0);
    Phoneme(10, 100);
    Boundary(3);
    Phoneme(11, 100);
    Boundary(6);  // inside "thescript"
    Phoneme(12, 100);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{100, 100, 100}));
    EXPECT_EQ(rescaler->WordIndex(), 2u);
}

TEST_F(PhraseRescalerTest, WordsBeyondThePhraseKeepTheVoicesTiming) {
    Use({0}, 100);
    Boundary(0);
    Phoneme(10, 200);
    Boundary(5);
    Phoneme(20, 80);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{100, 80}));

    // A phrase without words: nothing to fit to at all.
    sent.clear();
    Use({}, 0);
    Boundary(0);
    Phoneme(10, 70);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{70}));
}

TEST_F(PhraseRescalerTest, PhonemesWithoutDurationShareTheWordEvenly) {
    Use({0}, 100);
    Boundary(0);
    Phoneme(10, 0);
    Phoneme(20, 0);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{50, 50}));
}

TEST_F(PhraseRescalerTest, TheFirstBoundaryStartsTheFirstWordWhereverItIs) {
    Use({0, 100}, 200);
    Phoneme(kSilencePhone, 10);  // the voice's lead-in
    Boundary(2);                 // text that starts with blanks
    Phoneme(10, 90);
    Boundary(8);
    Phoneme(20, 50);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{10, 90, 100}));
}

TEST_F(PhraseRescalerTest, AWordLongerThanADurationCanHoldIsClamped) {
    Use({0}, 100000);
    Boundary(0);
    Phoneme(10, 100);
    rescaler->EndStream();
    EXPECT_EQ(Durations(), (std::vector<unsigned>{0xFFFF}));
}

TEST_F(PhraseRescalerTest, AVoiceEventStreamDrivesIt) {
    Use({0}, 200);
    auto event = [](SPEVENTENUM id, WPARAM w, LPARAM l) {
        SPEVENT e;
        e.eEventId = id;
        e.wParam = w;
        e.lParam = l;
        return e;
    };
    rescaler->OnVoiceEvent(event(SPEI_START_INPUT_STREAM, 0, 0));
    rescaler->OnVoiceEvent(event(SPEI_SENTENCE_BOUNDARY, 5, 0));
    rescaler->OnVoiceEvent(event(SPEI_WORD_BOUNDARY, 5, 0));
    rescaler->OnVoiceEvent(event(SPEI_PHONEME, WPARAM{100} << 16, 10));
    rescaler->OnVoiceEvent(event(SPEI_TTS_BOOKMARK, 1, 0));
    EXPECT_TRUE(sent.empty());  // held until the word's end is known
    rescaler->OnVoiceEvent(event(SPEI_END_INPUT_STREAM, 0, 0));
    EXPECT_EQ(Durations(), (std::vector<unsigned>{200}));
}

}  // namespace
}  // namespace lipsmith::tts
