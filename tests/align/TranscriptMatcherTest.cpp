#include <gtest/gtest.h>

#include <map>

#include "TranscriptMatcher.h"

namespace lipsmith::align {
namespace {

// Aligns by a script: for the stretch starting at a given place in the text,
// the words (by their place in the text) heard at given frames.
class ScriptedAligner : public engines::ForcedAligner {
public:
    struct Heard {
        std::size_t textIndex;
        int start, end;
    };
    engines::StretchAlignment Align(std::span<const std::int16_t>, const std::vector<std::string>& stretch,
                                    std::size_t firstIndex) override {
        stretches.push_back({firstIndex, stretch.size()});
        engines::StretchAlignment out;
        out.unpronounceable = unpronounceable;
        const auto it = heard.find(firstIndex);
        if (it == heard.end()) return out;
        for (const Heard& h : it->second)
            if (h.textIndex >= firstIndex && h.textIndex < firstIndex + stretch.size())
                out.words.push_back({h.textIndex - firstIndex, h.start, h.end});
        return out;
    }
    std::map<std::size_t, std::vector<Heard>> heard;  // by the stretch's first index
    std::vector<std::size_t> unpronounceable;
    std::vector<std::pair<std::size_t, std::size_t>> stretches;
};

CutPhrase PhraseAt(double seconds, double length) {
    CutPhrase p;
    p.startSample = static_cast<std::uint64_t>(seconds * kCutRate);
    p.audio.assign(static_cast<std::size_t>(length * kCutRate), 100);
    return p;
}

std::vector<std::string> Words(int n) {
    std::vector<std::string> w;
    for (int i = 0; i < n; ++i) w.push_back("w" + std::to_string(i));
    return w;
}

TEST(TranscriptMatcher, WordsComeOutAtRecordingTimesAndTheWalkGoesOn) {
    ScriptedAligner aligner;
    aligner.heard[0] = {{0, 10, 40}, {1, 41, 80}, {2, 81, 120}};
    aligner.heard[3] = {{3, 5, 50}, {4, 51, 90}};
    TranscriptMatcher matcher(Words(5), aligner);
    const PhraseMatch a = matcher.Match(PhraseAt(1.0, 1.3));
    ASSERT_EQ(a.matched.size(), 3u);
    EXPECT_EQ(a.matched[0].start, Ms(1100));
    EXPECT_EQ(a.matched[0].end, Ms(1410));
    EXPECT_EQ(a.matched[2].index, 2u);
    EXPECT_TRUE(a.missed.empty());
    EXPECT_EQ(matcher.Next(), 3u);
    const PhraseMatch b = matcher.Match(PhraseAt(3.0, 1.0));
    ASSERT_EQ(b.matched.size(), 2u);
    EXPECT_EQ(b.matched[1].start, Ms(3510));
    EXPECT_TRUE(matcher.Finish(Ms(5000)).empty());
}

TEST(TranscriptMatcher, SkippedWordsAreReportedBetweenTheirNeighbours) {
    ScriptedAligner aligner;
    // The speaker leaves out words 1 and 2, and word 0 of the phrase after
    // the first is never said: 3..4 start there.
    aligner.heard[0] = {{0, 0, 30}, {3, 50, 90}};
    aligner.heard[4] = {{5, 0, 40}};
    TranscriptMatcher matcher(Words(8), aligner);
    const PhraseMatch a = matcher.Match(PhraseAt(0.0, 1.0));
    ASSERT_EQ(a.missed.size(), 2u);
    EXPECT_EQ(a.missed[0].index, 1u);
    EXPECT_EQ(a.missed[0].after, Ms(310));
    EXPECT_EQ(a.missed[0].before, Ms(500));
    EXPECT_EQ(a.missed[1].index, 2u);
    const PhraseMatch b = matcher.Match(PhraseAt(2.0, 1.0));
    ASSERT_EQ(b.missed.size(), 1u);
    EXPECT_EQ(b.missed[0].index, 4u);
    EXPECT_EQ(b.missed[0].after, Ms(910));
    EXPECT_EQ(b.missed[0].before, Ms(2000));
    // The rest was never said: reported up to the recording's end.
    const std::vector<MissedWord> rest = matcher.Finish(Ms(4000));
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].index, 6u);
    EXPECT_EQ(rest[1].before, Ms(4000));
}

TEST(TranscriptMatcher, APhraseOfOtherWordsIsExtraSpeechAndTheSearchWidens) {
    ScriptedAligner aligner;
    aligner.unpronounceable = {};
    TranscriptMatcher matcher(Words(2000), aligner);
    const PhraseMatch a = matcher.Match(PhraseAt(0.0, 2.0));
    EXPECT_TRUE(a.matched.empty());
    ASSERT_EQ(a.extra.size(), 1u);
    EXPECT_EQ(a.extra[0].start, Ms(0));
    EXPECT_EQ(a.extra[0].end, Ms(2000));
    EXPECT_EQ(matcher.Next(), 0u);
    matcher.Match(PhraseAt(3.0, 2.0));
    matcher.Match(PhraseAt(6.0, 2.0));
    ASSERT_EQ(aligner.stretches.size(), 3u);
    // Each miss looks further into the text, from the same place.
    EXPECT_LT(aligner.stretches[0].second, aligner.stretches[1].second);
    EXPECT_LT(aligner.stretches[1].second, aligner.stretches[2].second);
    EXPECT_EQ(aligner.stretches[2].first, 0u);
    // Once found again, the stretch is back to the phrase's size.
    aligner.heard[0] = {{100, 0, 50}};
    const PhraseMatch found = matcher.Match(PhraseAt(9.0, 2.0));
    ASSERT_EQ(found.matched.size(), 1u);
    EXPECT_EQ(found.missed.size(), 100u);
    EXPECT_EQ(matcher.Next(), 101u);
    EXPECT_EQ(matcher.StretchFor(Ms(2000)), aligner.stretches[0].second);
}

TEST(TranscriptMatcher, WordsWithoutPronunciationAreReportedAsSuch) {
    ScriptedAligner aligner;
    aligner.unpronounceable = {1, 3};
    aligner.heard[0] = {{0, 0, 20}, {2, 30, 60}};
    TranscriptMatcher matcher(Words(4), aligner);
    const PhraseMatch a = matcher.Match(PhraseAt(0.0, 1.0));
    ASSERT_EQ(a.missed.size(), 2u);
    EXPECT_TRUE(a.missed[0].unpronounceable);
    EXPECT_EQ(a.missed[1].index, 3u);
    EXPECT_TRUE(a.missed[1].unpronounceable);
    EXPECT_EQ(matcher.Next(), 4u);
}

}  // namespace
}  // namespace lipsmith::align

namespace lipsmith::align {
namespace {

TEST(TranscriptMatcher, ALastWordThatSwallowedTheRestIsCutAndTheRestAlignedAgain) {
    ScriptedAligner aligner;
    // The decoder ends the phrase after word 2, which runs to the phrase's
    // end (3 s); aligned again, the audio after it holds words 3 and 4.
    aligner.heard[0] = {{0, 0, 25}, {1, 26, 50}, {2, 51, 350}};
    aligner.heard[3] = {{3, 5, 40}, {4, 41, 80}};
    TranscriptMatcher matcher(Words(10), aligner);
    const PhraseMatch m = matcher.Match(PhraseAt(2.0, 3.5));
    ASSERT_EQ(m.matched.size(), 5u);
    EXPECT_EQ(m.matched[2].start, Ms(2510));
    EXPECT_EQ(m.matched[2].end, Ms(2510 + 510));  // twice the others' length
    ASSERT_EQ(aligner.stretches.size(), 2u);
    EXPECT_EQ(aligner.stretches[1].first, 3u);
    EXPECT_EQ(m.matched[3].start, Ms(3020 + 50));
    EXPECT_EQ(matcher.Next(), 5u);
    EXPECT_TRUE(m.missed.empty());
}

TEST(TranscriptMatcher, LongWordsOfASlowSpeakerStayWhole) {
    ScriptedAligner aligner;
    aligner.heard[0] = {{0, 0, 80}, {1, 81, 170}};  // 0.8 s words, no more audio after them
    TranscriptMatcher matcher(Words(10), aligner);
    const PhraseMatch m = matcher.Match(PhraseAt(0.0, 1.8));
    ASSERT_EQ(m.matched.size(), 2u);
    EXPECT_EQ(m.matched[1].end, Ms(1710));
    EXPECT_EQ(aligner.stretches.size(), 1u);
}

}  // namespace
}  // namespace lipsmith::align
