// The phoneme table and the stress alignment.
#include <gtest/gtest.h>

#include "EspeakPhones.h"
#include "StressTrack.h"

namespace lipsmith::engines {
namespace {

TEST(EspeakPhones, TableAndFallbacks) {
    EXPECT_EQ(MapEspeakPhoneme("_").id, 7);
    EXPECT_EQ(MapEspeakPhoneme("_:").id, 7);
    EXPECT_EQ(MapEspeakPhoneme("_!").id, 7);
    EXPECT_EQ(MapEspeakPhoneme("aI").id, 16);
    EXPECT_EQ(MapEspeakPhoneme("oU").id, 35);
    EXPECT_EQ(MapEspeakPhoneme("tS").id, 18);
    EXPECT_EQ(MapEspeakPhoneme("dZ").id, 29);
    EXPECT_EQ(MapEspeakPhoneme("D").id, 20);
    EXPECT_EQ(MapEspeakPhoneme("T").id, 42);
    EXPECT_EQ(MapEspeakPhoneme("Z").id, 49);
    EXPECT_EQ(MapEspeakPhoneme("N").id, 34);
    EXPECT_EQ(MapEspeakPhoneme("3:").id, 22);
    EXPECT_TRUE(MapEspeakPhoneme("t#").known);

    // Unknown: the base phoneme after stripping modifiers, flagged.
    const PhoneMapping guess = MapEspeakPhoneme("aI@9");
    EXPECT_FALSE(guess.known);
    EXPECT_EQ(guess.id, 16);
    const PhoneMapping none = MapEspeakPhoneme("99");
    EXPECT_FALSE(none.known);
    EXPECT_EQ(none.id, 15);  // the neutral vowel, never garbage
    const auto unmapped = UnmappedPhonemes();
    EXPECT_NE(std::find(unmapped.begin(), unmapped.end(), "99"), unmapped.end());
    // Pauses without the underscore are silence too.
    EXPECT_EQ(MapEspeakPhoneme("||").id, 7);
    EXPECT_TRUE(MapEspeakPhoneme("").known);
}

TEST(EspeakPhones, SymbolsAndVowels) {
    EXPECT_EQ(PhoneSymbol(7), "_");
    EXPECT_EQ(PhoneSymbol(3), "word boundry");
    EXPECT_EQ(PhoneSymbol(29), "jy");
    EXPECT_EQ(PhoneSymbol(49), "zh");
    EXPECT_EQ(PhoneSymbol(0), "");
    EXPECT_EQ(PhoneSymbol(50), "");
    int vowels = 0;
    for (std::uint16_t id = 1; id <= 49; ++id) vowels += IsVowelPhone(id);
    EXPECT_EQ(vowels, 16);
    EXPECT_TRUE(IsVowelPhone(22));   // er
    EXPECT_FALSE(IsVowelPhone(26));  // h
    EXPECT_FALSE(IsVowelPhone(7));
}

TEST(StressTrack, AlignsStressMarksWithThePhonemeStream) {
    StressTrack s;
    s.AddClause("h|@|l|'oU D|'e@");
    s.AddClause(",V|n|d|3|s|t|'a|n|d|I|N");
    EXPECT_EQ(s.Next("h"), Stress::None);
    EXPECT_EQ(s.Next("@"), Stress::None);
    EXPECT_EQ(s.Next("l"), Stress::None);
    EXPECT_EQ(s.Next("oU"), Stress::Primary);
    EXPECT_EQ(s.Next("_:"), Stress::None);  // a pause the clause text does not hold
    EXPECT_EQ(s.Next("D"), Stress::None);
    EXPECT_EQ(s.Next("e@"), Stress::Primary);
    EXPECT_EQ(s.Next("V"), Stress::Secondary);
    // A phoneme the engine realised differently is skipped over.
    EXPECT_EQ(s.Next("n"), Stress::None);
    EXPECT_EQ(s.Next("d"), Stress::None);
    EXPECT_EQ(s.Next("@"), Stress::None);   // "3" expected: no match, nothing consumed
    EXPECT_EQ(s.Next("s"), Stress::None);
    EXPECT_EQ(s.Next("t"), Stress::None);
    EXPECT_EQ(s.Next("a"), Stress::Primary);
}

TEST(StressTrack, NoFalseMatchFarAhead) {
    StressTrack s;
    s.AddClause("p|I|k|I|N|D|@|f|'aI|n|@|s|t");
    EXPECT_EQ(s.Next("st"), Stress::None);  // nothing like it near: nothing consumed
    EXPECT_EQ(s.Pending(), 13u);
    EXPECT_EQ(s.Next("aI"), Stress::None);  // too far ahead to trust
    EXPECT_EQ(s.Pending(), 13u);
    s.Clear();
    EXPECT_EQ(s.Pending(), 0u);
}

}  // namespace
}  // namespace lipsmith::engines
