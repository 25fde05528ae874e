// The table a batch ends with: item, status, seconds, outputs, first error.
#pragma once
#include <string>

#include "BatchRunner.h"

namespace lipsmith::batch {

// One line per item, aligned columns, then a line of counts and the total time.
std::string SummaryTable(const Manifest& manifest, const BatchResult& result);

// One progress line for a finished item: "[done/total] ITEM: STATUS (S s)".
std::string ProgressLine(const ManifestItem& item, const ItemResult& result, std::size_t finished, std::size_t total);

}  // namespace lipsmith::batch
