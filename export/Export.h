// Exports of a node's lip-sync for other animation tools (see Writers.h for
// the formats): the one entry point the command-line host uses.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Interface.h"

namespace lipsmith::exports {

enum class ExportFormat { Tsv, Json, Xml, Dat, Curves };

// "tsv", "json", "xml", "dat", "curves" (exactly; nothing for anything else).
std::optional<ExportFormat> ParseExportFormat(std::string_view name);
const char* FormatName(ExportFormat format);
inline constexpr const char* kFormatList = "tsv, json, xml, dat, curves";

struct ExportResult {
    std::string text;                   // the file's content
    std::string error;                  // why nothing could be exported
    std::vector<std::string> warnings;  // exported, but worth telling
    explicit operator bool() const { return error.empty(); }
};

// The named node's export from ip's scene. fps: frames per second of the
// frame-based formats (dat, curves); 0 takes the scene's frame rate.
ExportResult ExportNode(Interface& ip, const std::string& node, ExportFormat format, int fps = 0);

}  // namespace lipsmith::exports
