#include "Summary.h"

#include <algorithm>
#include <array>

#include "CNumbers.h"
#include "ItemFiles.h"

namespace lipsmith::batch {
namespace {

constexpr std::size_t kMaxError = 160;

std::string Outputs(const ManifestItem& item) {
    const ItemFiles files = FilesOf(item.words);
    std::string text;
    for (const std::string& o : files.outputs) text += (text.empty() ? "" : ", ") + o;
    if (files.outputsUnknown) text += text.empty() ? "(per node)" : ", (per node)";
    return text.empty() ? "-" : text;
}

std::string Seconds(const ItemResult& r) {
    return r.status == ItemStatus::Skipped || r.status == ItemStatus::NotRun ? "-" : FormatFixed(r.seconds, 2);
}

std::string Padded(const std::string& text, std::size_t width, bool right = false) {
    if (text.size() >= width) return text;
    const std::string pad(width - text.size(), ' ');
    return right ? pad + text : text + pad;
}

}  // namespace

std::string SummaryTable(const Manifest& manifest, const BatchResult& result) {
    struct Row {
        std::string item, status, seconds, outputs, error;
    };
    std::vector<Row> rows{{"item", "status", "seconds", "outputs", "first error"}};
    std::array<int, 5> counts{};
    for (std::size_t i = 0; i < manifest.items.size(); ++i) {
        const ItemResult& r = result.items[i];
        ++counts[static_cast<int>(r.status)];
        std::string error = r.firstError;
        if (error.size() > kMaxError) error = error.substr(0, kMaxError - 3) + "...";
        rows.push_back({ItemLabel(manifest.items[i]), StatusName(r.status), Seconds(r), Outputs(manifest.items[i]), error});
    }
    std::size_t w[4] = {};
    for (const Row& row : rows) {
        w[0] = std::max(w[0], row.item.size());
        w[1] = std::max(w[1], row.status.size());
        w[2] = std::max(w[2], row.seconds.size());
        w[3] = std::max(w[3], row.outputs.size());
    }
    std::string out;
    for (const Row& row : rows) {
        std::string line = Padded(row.item, w[0]) + "  " + Padded(row.status, w[1]) + "  " +
                           Padded(row.seconds, w[2], true) + "  " + Padded(row.outputs, w[3]) + "  " + row.error;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    out += std::to_string(manifest.items.size()) + " items: " + std::to_string(counts[0]) + " ok, " +
           std::to_string(counts[2]) + " skipped, " + std::to_string(counts[1]) + " failed, " +
           std::to_string(counts[3]) + " stopped, " + std::to_string(counts[4]) + " not run; " +
           FormatFixed(result.seconds, 2) + " s\n";
    return out;
}

std::string ProgressLine(const ManifestItem& item, const ItemResult& r, std::size_t finished, std::size_t total) {
    std::string line = "[" + std::to_string(finished) + "/" + std::to_string(total) + "] " + ItemLabel(item) + ": " +
                       StatusName(r.status);
    if (r.status != ItemStatus::Skipped) line += " (" + FormatFixed(r.seconds, 2) + " s)";
    if (!r.firstError.empty()) line += ": " + r.firstError;
    return line;
}

}  // namespace lipsmith::batch
