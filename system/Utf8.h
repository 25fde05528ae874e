// UTF-8 text and its code points, for the strings that cross to the speech
// engine and the server (narrow UTF-8) and the wide texts of window messages.
// Invalid input never fails: each bad byte decodes to U+FFFD.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace lipsmith {

std::u32string Utf8Decode(std::string_view text);
// The same, but each bad byte decodes as the Latin-1 character it would be
// (file names and notes written by older programs).
std::u32string Utf8DecodeOrLatin1(std::string_view text);
// Surrogates and values beyond U+10FFFF are written as U+FFFD.
std::string Utf8Encode(std::u32string_view text);
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// Code points of a UTF-8 text, each bad byte counting as one.
std::size_t CountCodePoints(std::string_view text);

}  // namespace lipsmith
