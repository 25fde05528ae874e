// Script files as the editor loads and saves them: plain text, UTF-8 in the
// editor. Files of older versions written in the Windows-1252 code page are
// read as such and converted.
#pragma once
#include <optional>
#include <string>

namespace lipsmith {

inline constexpr const char* kScriptFileFilter = "Lipsmith Script(*.txt)|*.txt||";
inline constexpr const char* kScriptFileExtension = "TXT";
inline constexpr const char* kScriptFileInitialName = "*.txt";

// The file's text, or nothing with a message in *error when it cannot be read.
std::optional<std::string> ReadScriptFile(const std::string& path, std::string* error);

// Writes the text through a temporary file renamed over the target, so a
// failed save never damages the file that was there. False with a message in
// *error when the file could not be written.
bool WriteScriptFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace lipsmith
