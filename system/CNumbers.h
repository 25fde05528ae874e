// Number text as the C library reads and writes it in the "C" locale, whatever
// locale the process runs in: map files and scripts always use "." as the
// decimal point, and a German desktop must read "12.75" as 12.75.
#pragma once
#include <string>
#include <string_view>

namespace lipsmith {

// atoi: leading blanks (space, \t \n \v \f \r), an optional sign, then the
// longest run of decimal digits; no digits give 0. Values beyond the range of
// int saturate at INT_MIN / INT_MAX instead of wrapping.
int CAtoi(std::string_view text);

// atof: leading blanks, an optional sign, then the longest prefix that forms a
// decimal number (digits with "." as decimal point and an optional exponent);
// no number gives 0.0. Hex floats, "inf" and "nan" are not numbers here, so
// the result is finite unless the number overflows: then it is ±HUGE_VAL
// (infinity) and the caller decides what such a value becomes.
double CAtof(std::string_view text);

// Characters of the number CAtof reads at the start of text (blanks and sign
// included); 0 when there is none.
std::size_t CNumberLength(std::string_view text);

// The value as "%.1f" writes it ("12.8" for 12.75, "-0.0", "inf", "nan").
std::string FormatOneDecimal(double value);

// The value as "%.Nf" writes it, N = decimals (0 to 17).
std::string FormatFixed(double value, int decimals);

// snprintf in the "C" locale: "%.2f" always writes a decimal point.
std::string CFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace lipsmith
