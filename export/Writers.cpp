#include "Writers.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "CNumbers.h"
#include "SceneJson.h"
#include "ShapeTimeline.h"
#include "SpeechController.h"
#include "Utf8.h"

namespace lipsmith::exports {
namespace {

std::string Seconds(long long centiseconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%02lld", centiseconds / 100, centiseconds % 100);
    return buf;
}

// The duration the cue formats give: the end of the last cue (the end of the
// speech truncated to hundredths).
long long DurationCs(const std::vector<CentisecondCue>& cues) { return cues.empty() ? 0 : cues.back().end; }

// Ticks of frame k at fps, to the nearest tick.
TimeValue FrameTime(long long k, int fps) {
    return static_cast<TimeValue>((k * TIME_TICKSPERSEC * 2 + fps) / (2LL * fps));
}

// Frames from 0 up to the one the end of the speech falls on (rounded up).
long long LastFrame(TimeValue end, int fps) {
    return (static_cast<long long>(end) * fps + TIME_TICKSPERSEC - 1) / TIME_TICKSPERSEC;
}

}  // namespace

std::string XmlEscape(const std::string& text) {
    std::string out;
    for (char32_t c : Utf8DecodeOrLatin1(text)) {
        switch (c) {
            case '&': out += "&amp;"; continue;
            case '<': out += "&lt;"; continue;
            case '>': out += "&gt;"; continue;
            case '"': out += "&quot;"; continue;
            case '\'': out += "&apos;"; continue;
            default: break;
        }
        const bool allowed = c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF);
        out += Utf8Encode(std::u32string(1, allowed ? c : U'\uFFFD'));
    }
    return out;
}

std::string WriteTsv(const NodeSpeech& speech) {
    const std::vector<CentisecondCue> cues = CentisecondCues(MouthTimeline(speech));
    std::string out;
    for (const CentisecondCue& cue : cues) out += Seconds(cue.start) + "\t" + ShapeName(cue.shape) + "\n";
    out += Seconds(DurationCs(cues)) + "\t" + ShapeName(kRestShape) + "\n";
    return out;
}

std::string WriteJson(const NodeSpeech& speech) {
    const std::vector<CentisecondCue> cues = CentisecondCues(MouthTimeline(speech));
    std::string out = "{\n  \"metadata\": {\n    \"soundFile\": " + JsonString(speech.soundFile) +
                      ",\n    \"duration\": " + Seconds(DurationCs(cues)) + "\n  },\n  \"mouthCues\": [";
    for (std::size_t i = 0; i < cues.size(); ++i) {
        out += i ? ",\n" : "\n";
        out += "    { \"start\": " + Seconds(cues[i].start) + ", \"end\": " + Seconds(cues[i].end) +
               ", \"value\": \"" + ShapeName(cues[i].shape) + "\" }";
    }
    out += cues.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

std::string WriteXml(const NodeSpeech& speech) {
    const std::vector<CentisecondCue> cues = CentisecondCues(MouthTimeline(speech));
    // The root element's name is the one the readers of this layout look for.
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rhubarbResult>\n  <metadata>\n    <soundFile>" +
                      XmlEscape(speech.soundFile) + "</soundFile>\n    <duration>" + Seconds(DurationCs(cues)) +
                      "</duration>\n  </metadata>\n  <mouthCues>\n";
    for (const CentisecondCue& cue : cues) {
        out += "    <mouthCue start=\"" + Seconds(cue.start) + "\" end=\"" + Seconds(cue.end) + "\">" +
               ShapeName(cue.shape) + "</mouthCue>\n";
    }
    out += "  </mouthCues>\n</rhubarbResult>\n";
    return out;
}

std::string WriteDat(const NodeSpeech& speech, int fps) {
    const std::vector<MohoShape> frames = MohoShapesPerFrame(MohoTimeline(speech), fps);
    std::string out = "MohoSwitch1\n";
    std::optional<MohoShape> last;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        if (last == frames[k]) continue;
        out += std::to_string(k + 1) + " " + ShapeName(frames[k]) + "\n";
        last = frames[k];
    }
    // The mouth closes once the speech is over.
    if (last != kMohoRestShape) out += std::to_string(frames.size() + 1) + " " + ShapeName(kMohoRestShape) + "\n";
    return out;
}

std::string WriteCurves(const NodeSpeech& speech, int fps) {
    std::string out = "frame,time";
    for (ChannelId ch = kFirstChannel; ch <= kLastChannel; ++ch) out += std::string(",") + ChannelName(ch);
    out += "\n";
    const long long last = LastFrame(speech.end, fps);
    for (long long k = 0; k <= last; ++k) {
        const TimeValue t = FrameTime(k, fps);
        out += std::to_string(k) + "," + FormatFixed(static_cast<double>(k) / fps, 4);
        for (SpeechController* c : speech.channels) {
            out += ",";
            if (!c) continue;  // no controller follows this channel
            float v = 0.0f;
            Interval valid = FOREVER;
            c->GetValueLocalTime(t, &v, valid);
            if (std::isfinite(v)) out += FormatFixed(v, 3);
        }
        out += "\n";
    }
    return out;
}

}  // namespace lipsmith::exports
