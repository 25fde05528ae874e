#include "Export.h"

#include "NodeSpeech.h"
#include "Writers.h"

namespace lipsmith::exports {
namespace {

constexpr const char* kNames[] = {"tsv", "json", "xml", "dat", "curves"};

}  // namespace

std::optional<ExportFormat> ParseExportFormat(std::string_view name) {
    for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i) {
        if (name == kNames[i]) return static_cast<ExportFormat>(i);
    }
    return std::nullopt;
}

const char* FormatName(ExportFormat format) { return kNames[static_cast<int>(format)]; }

ExportResult ExportNode(Interface& ip, const std::string& node, ExportFormat format, int fps) {
    ExportResult result;
    NodeSpeechResult read = ReadNodeSpeech(ip, node);
    if (!read) {
        result.error = read.error;
        return result;
    }
    const NodeSpeech& speech = read.speech;
    if (speech.phonemes.empty()) {
        result.warnings.push_back("node '" + node + "' holds no phoneme notes: the export shows the mouth at rest");
    }
    for (const std::string& text : speech.unknownNotes) {
        result.warnings.push_back("the note '" + text + "' on node '" + node +
                                  "' names no phoneme; the mouth keeps its shape there");
    }
    if (fps <= 0) fps = ip.GetFrameRate();
    switch (format) {
        case ExportFormat::Tsv: result.text = WriteTsv(speech); break;
        case ExportFormat::Json: result.text = WriteJson(speech); break;
        case ExportFormat::Xml: result.text = WriteXml(speech); break;
        case ExportFormat::Dat: result.text = WriteDat(speech, fps); break;
        case ExportFormat::Curves: result.text = WriteCurves(speech, fps); break;
    }
    return result;
}

}  // namespace lipsmith::exports
