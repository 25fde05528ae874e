// UTF-8 to wide text and back, for the strings that cross the wire (narrow
// UTF-8) and the wide texts the voice and the client's windows use. Invalid
// input never fails: each bad byte becomes U+FFFD.
#pragma once
#include <cstddef>
#include <string>

namespace lipsmith {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// Characters (code points) of a UTF-8 text, counting each bad byte as one.
std::size_t CountCodePoints(const std::string& text);

}  // namespace lipsmith
