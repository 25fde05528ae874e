#include "ScriptFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FileUtil.h"
#include "TextPositions.h"

namespace lipsmith {

std::optional<std::string> ReadScriptFile(const std::string& path, std::string* error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        if (error) *error = "'" + path + "' is a folder, not a script file.";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "Cannot open '" + path + "': " + std::strerror(errno) + ".";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        if (error) *error = "Cannot read '" + path + "'.";
        return std::nullopt;
    }
    return ScriptTextAsUtf8(text.str());
}

bool WriteScriptFile(const std::string& path, const std::string& text, std::string* error) {
    if (WriteFileAtomically(path, text)) return true;
    if (error) *error = "Cannot write '" + path + "'. The script was not saved.";
    return false;
}

}  // namespace lipsmith
