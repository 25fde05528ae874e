#include "CNumbers.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace lipsmith {
namespace {

TEST(CAtoi, ReadsTheLongestSignedDigitPrefix) {
    EXPECT_EQ(CAtoi("42"), 42);
    EXPECT_EQ(CAtoi("  \t\n\v\f\r-17"), -17);
    EXPECT_EQ(CAtoi("+8"), 8);
    EXPECT_EQ(CAtoi("12abc"), 12);
    EXPECT_EQ(CAtoi("3.9"), 3);
    EXPECT_EQ(CAtoi("007"), 7);
    EXPECT_EQ(CAtoi("-0"), 0);
}

TEST(CAtoi, GivesZeroWithoutDigits) {
    EXPECT_EQ(CAtoi(""), 0);
    EXPECT_EQ(CAtoi("abc"), 0);
    EXPECT_EQ(CAtoi("-"), 0);
    EXPECT_EQ(CAtoi("+-5"), 0);
    EXPECT_EQ(CAtoi("- 5"), 0);
    EXPECT_EQ(CAtoi("0x1A"), 0);
}

TEST(CAtoi, SaturatesOutOfRangeValues) {
    EXPECT_EQ(CAtoi("2147483647"), INT_MAX);
    EXPECT_EQ(CAtoi("-2147483648"), INT_MIN);
    EXPECT_EQ(CAtoi("2147483648"), INT_MAX);
    EXPECT_EQ(CAtoi("-99999999999999999999999999"), INT_MIN);
    EXPECT_EQ(CAtoi(std::string(100000, '9')), INT_MAX);
}

TEST(CAtoi, StopsAtAnEmbeddedNul) {
    EXPECT_EQ(CAtoi(std::string_view("12\0" "34", 5)), 12);
}

TEST(CAtof, ReadsTheLongestNumberPrefix) {
    EXPECT_DOUBLE_EQ(CAtof("12.75"), 12.75);
    EXPECT_DOUBLE_EQ(CAtof("  -3.5e2xyz"), -350.0);
    EXPECT_DOUBLE_EQ(CAtof("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(CAtof("5."), 5.0);
    EXPECT_DOUBLE_EQ(CAtof("63.0 "), 63.0);
    EXPECT_DOUBLE_EQ(CAtof("1e"), 1.0);     // exponent without digits is not taken
    EXPECT_DOUBLE_EQ(CAtof("1e+"), 1.0);
    EXPECT_DOUBLE_EQ(CAtof("2E-1"), 0.2);
    EXPECT_DOUBLE_EQ(CAtof("12,75"), 12.0);  // a comma is never a decimal point
    EXPECT_DOUBLE_EQ(CAtof("1.5e3.2"), 1500.0);
    EXPECT_DOUBLE_EQ(CAtof("\t\n\v\f\r 4"), 4.0);
}

// Only decimal numbers: what strtod reads beyond them (hex floats, infinity,
// not-a-number) reads up to its first non-numeric character or as no number.
TEST(CAtof, ReadsNoHexInfinityOrNan) {
    EXPECT_EQ(CAtof("0x1A"), 0.0);
    EXPECT_EQ(CAtof("0X1p4"), 0.0);
    EXPECT_EQ(CAtof("  -0x10"), 0.0);
    EXPECT_EQ(CAtof("inf"), 0.0);
    EXPECT_EQ(CAtof("-Infinity"), 0.0);
    EXPECT_EQ(CAtof("+INF"), 0.0);
    EXPECT_EQ(CAtof("nan"), 0.0);
    EXPECT_EQ(CAtof("NAN(123)"), 0.0);
    EXPECT_DOUBLE_EQ(CAtof("3nan"), 3.0);
    EXPECT_DOUBLE_EQ(CAtof("2inf"), 2.0);
}

TEST(CAtof, CountsTheCharactersOfItsNumber) {
    EXPECT_EQ(CNumberLength("  -12.5e+3x"), 10u);
    EXPECT_EQ(CNumberLength("1e"), 1u);
    EXPECT_EQ(CNumberLength("0x10"), 1u);
    EXPECT_EQ(CNumberLength(" ."), 0u);
    EXPECT_EQ(CNumberLength("inf"), 0u);
}

TEST(CAtof, GivesZeroWithoutANumber) {
    EXPECT_EQ(CAtof(""), 0.0);
    EXPECT_EQ(CAtof("abc"), 0.0);
    EXPECT_EQ(CAtof("."), 0.0);
    EXPECT_EQ(CAtof("-"), 0.0);
    EXPECT_EQ(CAtof("e5"), 0.0);
}

TEST(CAtof, OverflowsToInfinityAndUnderflowsToZero) {
    EXPECT_TRUE(std::isinf(CAtof("1e999")));
    EXPECT_GT(CAtof("1e999"), 0);
    EXPECT_EQ(CAtof("1e-999"), 0.0);
    EXPECT_TRUE(std::isinf(CAtof("-1e400")));
    EXPECT_LT(CAtof("-1e400"), 0);
    std::string longDigits = "1." + std::string(1'000'000, '5');
    EXPECT_NEAR(CAtof(longDigits), 1.5555555555, 1e-9);
    EXPECT_DOUBLE_EQ(CAtof(std::string_view("7.5\0" "9", 5)), 7.5);
}

TEST(FormatOneDecimal, WritesAsPrintfDoes) {
    EXPECT_EQ(FormatOneDecimal(63.0), "63.0");
    EXPECT_EQ(FormatOneDecimal(0.0), "0.0");
    EXPECT_EQ(FormatOneDecimal(12.75f), "12.8");  // exact tie: rounds to even
    EXPECT_EQ(FormatOneDecimal(12.25f), "12.2");
    EXPECT_EQ(FormatOneDecimal(-0.04), "-0.0");
    EXPECT_EQ(FormatOneDecimal(100.0), "100.0");
    EXPECT_EQ(FormatOneDecimal(1e300).size(), 303u);
    EXPECT_EQ(FormatOneDecimal(INFINITY), "inf");
    EXPECT_EQ(FormatFixed(2.0 / 3.0, 2), "0.67");
    EXPECT_EQ(FormatFixed(5.5, 0), "6");
}

TEST(CFormat, FormatsAnyLength) {
    EXPECT_EQ(CFormat("frame %.2f (Tick: %d)", 1.5, 720), "frame 1.50 (Tick: 720)");
    std::string longText(1000, 'x');
    EXPECT_EQ(CFormat("%s!", longText.c_str()), longText + "!");
}

// A locale whose decimal point is a comma, compiled for this test when the
// machine has the locale sources (Debian's "locales" package) but not the locale.
class CommaLocale : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (setlocale(LC_ALL, "de_DE.UTF-8")) {
            available_ = true;
            setlocale(LC_ALL, "C");
            return;
        }
        dir_ = std::filesystem::temp_directory_path() / ("lipsmith-locale-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        std::string command = "localedef -i de_DE -f UTF-8 '" + (dir_ / "de_DE.UTF-8").string() +
                              "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return;
        setenv("LOCPATH", dir_.c_str(), 1);
        available_ = setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        setlocale(LC_ALL, "C");
    }
    static void TearDownTestSuite() {
        setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    void SetUp() override {
        if (!available_) GTEST_SKIP() << "no de_DE locale and no way to build one";
        ASSERT_NE(setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    }
    void TearDown() override { setlocale(LC_ALL, "C"); }

    static inline bool available_ = false;
    static inline std::filesystem::path dir_;
};

TEST_F(CommaLocale, NumbersStayInCNotation) {
    char check[32];
    std::snprintf(check, sizeof check, "%.1f", 12.75);
    ASSERT_STREQ(check, "12,8") << "the locale under test does not use a decimal comma";
    EXPECT_DOUBLE_EQ(CAtof("12.75"), 12.75);
    EXPECT_EQ(FormatOneDecimal(12.75f), "12.8");
    EXPECT_EQ(FormatFixed(0.5, 2), "0.50");
    EXPECT_EQ(CFormat("%.2f", 1.5), "1.50");
    EXPECT_EQ(CAtoi("  12"), 12);
    // The thread's own locale is back after CFormat.
    std::snprintf(check, sizeof check, "%.1f", 0.5);
    EXPECT_STREQ(check, "0,5");
}

}  // namespace
}  // namespace lipsmith
