#include "TagText.h"

#include "CNumbers.h"

namespace lipsmith {

namespace {

std::string Attribute(const char* name, const std::string& value) {
    return std::string(name) + "=\"" + value + "\" ";
}

std::string Decimal(long long n) { return std::to_string(n); }

}  // namespace

std::string ActorTagText(const std::string& node, const std::string& selection) {
    if (selection.empty()) return "<actor node=\"" + node + "\"></actor>";
    return "\n<actor node=\"" + node + "\">\n" + selection + "\n</actor>\n";
}

std::string RateTagText(int absspeed, const std::string& selection) {
    const std::string open = "<rate absspeed=\"" + Decimal(absspeed) + "\"";
    if (selection.empty()) return open + "/>";
    return open + ">" + selection + "</rate>";
}

std::string PitchTagText(int absmiddle, const std::string& selection) {
    const std::string open = "<pitch absmiddle=\"" + Decimal(absmiddle) + "\"";
    if (selection.empty()) return open + "/>";
    return open + ">" + selection + "</pitch>";
}

std::string SpellTagText(const std::string& selection) { return "<spell >" + selection + "</spell>"; }

std::string SilenceTagText(int msec) { return "<silence msec=\"" + Decimal(msec) + "\"/>"; }

std::string VoiceTagText(const std::string& voice, const std::string& selection) {
    const std::string open = "<voice required=\"Name=" + voice + "\"";
    if (selection.empty()) return open + "/>";
    return open + ">" + selection + "</voice>";
}

std::string CueTagText(const CueTagValues& v) {
    const bool eyes = v.kind == TagKind::Eyes;
    std::string text = eyes ? "<eyes " : "<brow ";
    if (!v.node.empty()) text += Attribute("node", v.node);
    text += Attribute(eyes ? "blink" : "return", v.checked ? "true" : "false");
    text += Attribute("side", v.side);
    if (eyes) {
        text += Attribute("repeat", Decimal(v.repeat));
        if (v.repeat > 1) text += Attribute("offset", Decimal(v.offset));
    }
    text += Attribute("value", FormatOneDecimal(v.value));
    if (!eyes && v.checked) {
        const std::string half = Decimal(v.duration / 2);
        text += Attribute("duration", half);
        text += Attribute("ret_duration", half);
    } else {
        text += Attribute("duration", Decimal(v.duration));
    }
    return text + "/>";
}

}  // namespace lipsmith
