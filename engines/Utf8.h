// UTF-8 conversions for text crossing the engine boundary. Invalid bytes
// decode to U+FFFD one by one, so every input byte sequence is accepted.
#pragma once
#include <string>
#include <string_view>

namespace lipsmith::engines {

std::u32string Utf8Decode(std::string_view text);
std::string Utf8Encode(std::u32string_view text);
std::wstring Utf8ToWide(std::string_view text);
std::size_t Utf8CodePoints(std::string_view text);

}  // namespace lipsmith::engines
