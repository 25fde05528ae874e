// The words of an alignment as a table (tab-separated, one line per word in
// text order, then the extra speech): start and end in seconds, the word,
// its actor and whether it was found.
#pragma once
#include <string>
#include <vector>

#include "RecordingAligner.h"

namespace lipsmith::align {

std::string WordReportTsv(const AlignReport& report, const std::vector<ActorText>& actors);

}  // namespace lipsmith::align
