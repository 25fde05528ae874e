#include "WordReport.h"

#include <cstdio>

namespace lipsmith::align {

namespace {

std::string Seconds(Ms ms) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", static_cast<double>(ms.count()) / 1000.0);
    return buffer;
}

}  // namespace

std::string WordReportTsv(const AlignReport& report, const std::vector<ActorText>& actors) {
    std::string out = "start\tend\tword\tactor\tstatus\n";
    std::size_t m = 0, x = 0;
    for (std::size_t i = 0; i < report.words.size(); ++i) {
        const std::size_t a = report.actorOfWord[i];
        const std::string actor = a < actors.size() ? actors[a].node : std::string();
        while (m < report.matched.size() && report.matched[m].index < i) ++m;
        while (x < report.missed.size() && report.missed[x].index < i) ++x;
        if (m < report.matched.size() && report.matched[m].index == i) {
            const MatchedWord& w = report.matched[m];
            out += Seconds(w.start) + '\t' + Seconds(w.end) + '\t' + report.words[i] + '\t' + actor + "\tfound\n";
        } else if (x < report.missed.size() && report.missed[x].index == i) {
            const MissedWord& w = report.missed[x];
            out += Seconds(w.after) + '\t' + Seconds(w.before) + '\t' + report.words[i] + '\t' + actor + "\tmissing\n";
        }
    }
    for (const ExtraSpeech& e : report.extra) out += Seconds(e.start) + '\t' + Seconds(e.end) + "\t\t\textra\n";
    return out;
}

}  // namespace lipsmith::align
