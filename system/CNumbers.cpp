#include "CNumbers.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace lipsmith {

namespace {

bool IsCBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "C" locale for the whole process, made on first use and kept.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// Switches this thread to the "C" locale for the lifetime of the object.
class CLocaleScope {
public:
    CLocaleScope() : previous_(CLocale() ? uselocale(CLocale()) : locale_t(nullptr)) {}
    ~CLocaleScope() {
        if (previous_) uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

}  // namespace

int CAtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;  // magnitude, clamped just past the int range
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
    }
    if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::size_t CNumberLength(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    auto digits = [&] {
        const std::size_t first = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - first;
    };
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0;
    const std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() > 0) return i;
    }
    return end;
}

double CAtof(std::string_view text) {
    // Only the decimal grammar is taken: strtod alone would also read hex
    // floats, "inf" and "nan", which no script or map value means.
    const std::size_t length = CNumberLength(text);
    if (length == 0) return 0.0;
    const std::string number(text.substr(0, length));
    if (!CLocale()) {
        // Without a locale object fall back on from_chars, which is
        // locale-free but knows no blanks or plus sign.
        std::size_t i = 0;
        while (i < number.size() && IsCBlank(number[i])) ++i;
        bool negative = false;
        if (number[i] == '+' || number[i] == '-') negative = number[i++] == '-';
        double value = 0.0;
        const auto result = std::from_chars(number.data() + i, number.data() + number.size(), value);
        if (result.ec == std::errc::result_out_of_range) {
            value = number.find_first_of("eE") != std::string::npos &&
                            number[number.find_first_of("eE") + 1] == '-'
                        ? 0.0
                        : HUGE_VAL;
        }
        return negative ? -value : value;
    }
    return strtod_l(number.c_str(), nullptr, CLocale());
}

std::string FormatOneDecimal(double value) { return FormatFixed(value, 1); }

std::string FormatFixed(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 17);
    // The longest fixed text of a double is 309 digits, sign, point and decimals.
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return CFormat("%.*f", decimals, value);
    return std::string(buffer, result.ptr);
}

std::string CFormat(const char* format, ...) {
    CLocaleScope scope;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char small[256];
    int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string text;
    if (length < 0) {
        text.clear();
    } else if (static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(length));
    } else {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

}  // namespace lipsmith
