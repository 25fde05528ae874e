// Choosing a voice from Speech API attribute strings.
#include "VoiceTokens.h"

#include <gtest/gtest.h>

namespace lipsmith::engines {
namespace {

using speech::VoiceToken;

std::vector<VoiceToken> Voices() {
    return {
        {"gmw/en", "English (Great Britain)", "Male", "en-gb", "eSpeak NG"},
        {"gmw/en-US", "English (America)", "Male", "en-us", "eSpeak NG"},
        {"x/lower", "english (america)", "Female", "en-us", "eSpeak NG"},
        {"roa/fr", "French (France)", "Female", "fr-fr", "eSpeak NG"},
    };
}

TEST(VoiceTokens, MatchesEveryRequiredAttribute) {
    const VoiceToken t = Voices()[1];
    EXPECT_TRUE(TokenMatches(t, ""));
    EXPECT_TRUE(TokenMatches(t, "Name=English (America)"));
    EXPECT_TRUE(TokenMatches(t, " name = english (AMERICA) ; gender=male"));
    EXPECT_FALSE(TokenMatches(t, "Name=English (America);Gender=Female"));
    EXPECT_FALSE(TokenMatches(t, "Age=Adult"));  // an attribute voices do not have
    EXPECT_TRUE(TokenMatches(t, "Vendor=eSpeak NG;Language=en-US;"));
}

TEST(VoiceTokens, ExactNameFirstThenCaseInsensitive) {
    auto v = ChooseVoice(Voices(), "Name=english (america)", "");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "x/lower");
    v = ChooseVoice(Voices(), "Name=English (America)", "");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "gmw/en-US");
    v = ChooseVoice(Voices(), "Name=ENGLISH (GREAT BRITAIN)", "");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "gmw/en");
    EXPECT_FALSE(ChooseVoice(Voices(), "Name=Nobody", ""));
}

TEST(VoiceTokens, OptionalAttributesBreakTies) {
    auto v = ChooseVoice(Voices(), "Language=en-us", "Gender=Female");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "x/lower");
    v = ChooseVoice(Voices(), "", "Language=fr-fr");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "roa/fr");
    v = ChooseVoice(Voices(), "Gender=Male", "");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "gmw/en");  // first in order
    EXPECT_FALSE(ChooseVoice(Voices(), "", "Gender=Neutral"));  // nothing asked for is met
    EXPECT_FALSE(ChooseVoice(Voices(), "", ""));
}

TEST(VoiceTokens, DefaultIsAmericanEnglish) {
    auto v = DefaultVoice(Voices());
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "gmw/en-US");
    EXPECT_FALSE(DefaultVoice({}));
    v = DefaultVoice({Voices()[3]});
    ASSERT_TRUE(v);
    EXPECT_EQ(v->id, "roa/fr");
}

}  // namespace
}  // namespace lipsmith::engines
