// Eye blink and eyebrow keys from the bookmarks that the script's eyes and
// brow cues became.
#include <algorithm>

#include "CNumbers.h"
#include "FacialCues.h"
#include "Interface.h"
#include "Node.h"
#include "PipelineMessages.h"
#include "SpeechController.h"
#include "SpeechSession.h"

namespace lipsmith {

namespace {

constexpr ChannelId kLeftEyeBlink = 11;
constexpr ChannelId kRightEyeBlink = 12;
constexpr ChannelId kLeftEyeBrow = 13;
constexpr ChannelId kRightEyeBrow = 14;

// Whether a mark drives the channel: blinks follow eyes marks, brows follow
// brow marks, and a side leaves out the other side's channels.
bool Drives(ChannelId channel, const MarkFields& f) {
    switch (channel) {
        case kLeftEyeBlink: return f.tag == "eyes" && f.side != "right";
        case kRightEyeBlink: return f.tag == "eyes" && f.side != "left";
        case kLeftEyeBrow: return f.tag == "brow" && f.side != "right";
        case kRightEyeBrow: return f.tag == "brow" && f.side != "left";
        default: return false;
    }
}

// Toward zero, held within the time line (cue values come from the script).
TimeValue Trunc(double ticks) {
    if (!(ticks > TIME_NegInfinity)) return TIME_NegInfinity;
    if (ticks >= TIME_PosInfinity) return TIME_PosInfinity;
    return static_cast<TimeValue>(ticks);
}

// More blinks than this from one cue is a typing slip, not animation.
constexpr int kMaxBlinksPerCue = 1000;

float ValueAt(SpeechController* c, TimeValue t) {
    float v = 0.0f;
    Interval valid = FOREVER;
    c->GetValueLocalTime(t, &v, valid);
    return v;
}

void Key(SpeechController* c, TimeValue t, float value) { c->SetValueLocalTime(t, &value, 1, CTRL_RELATIVE); }

}  // namespace

void SpeechSession::KeysFromBookmark(const std::string& mark, TimeValue bookmarkTick) {
    MarkFields f;
    if (!ParseMarkString(mark, f)) return;
    if (f.replacedNonsense && editor_.reportWarnings) {
        Log(FormatWithValue(msg::kMarkValuesReplaced, mark), OutputKind::Warning);
    }
    if (speakers_.Empty()) return;

    const std::string target = f.node.empty() ? editor_.currentActorNode : f.node;
    const std::vector<SpeakerEntry*> targets = speakers_.ActorTargets(target);
    const double tpms = clock.ticksPerMs;
    const double frame = bookmarkTick / TicksPerFrame();
    const bool replace = editor_.replaceMode != 0;
    TimeValue adj = 0;  // the overlap shift, kept for the rest of this bookmark

    for (SpeakerEntry* entry : targets) {
        for (SpeechController* c : entry->controllers) {
            if (!c->active || !IsEyeChannel(c->channel)) continue;
            const ChannelId ch = c->channel;
            const TimeValue T = clock.currentTick;
            c->SetFirstKeyFlag(clock.firstKeyPending || clock.pausePending ? 1 : 0);

            if (replace) {  // clear room for the new keys
                double a = -100.0;
                double s = (static_cast<double>(f.browDuration) + f.browReturnDuration) * tpms;
                const bool eyes = f.tag == "eyes";
                const TimeValue* end = nullptr;
                if (ch == kLeftEyeBlink && eyes && f.side != "right" && leftBlinkEnd != clock.runStartTick) {
                    end = &leftBlinkEnd;
                } else if (ch == kRightEyeBlink && eyes && f.side != "left" && rightBlinkEnd != clock.runStartTick) {
                    end = &rightBlinkEnd;
                }
                if (end) {
                    a = T <= *end ? static_cast<double>(*end) - T + 10 : 0.0;
                    s = (static_cast<double>(f.offset) + f.duration + 10) * f.repeat * tpms + 100 - 10;
                }
                if (Drives(ch, f)) c->DeleteTimeBoth(Trunc(T + a), Trunc(T + a + s));
            }

            if ((ch == kLeftEyeBlink || ch == kRightEyeBlink) && Drives(ch, f)) {
                const bool left = ch == kLeftEyeBlink;
                TimeValue& E = left ? leftBlinkEnd : rightBlinkEnd;
                TimeValue t = T;
                for (int i = 0; i < std::min(f.repeat, kMaxBlinksPerCue); ++i) {
                    if (t <= E) {
                        adj = Trunc(static_cast<double>(E) - t + 10);
                        Log(CFormat(left ? msg::kLeftBlinkAdjusted : msg::kRightBlinkAdjusted, adj), OutputKind::Warning);
                    }
                    const TimeValue S = AddTicksClamped(t, adj);
                    const TimeValue stop = Trunc(f.duration * tpms + S);
                    E = stop;
                    Log(CFormat(left ? msg::kAddingLeftEye : msg::kAddingRightEye, target.c_str(), frame, bookmarkTick));
                    c->AddNote(S, left ? "L_Eye_Blink_Start" : "R_Eye_Blink_Start");
                    const float v = ValueAt(c, S);
                    Key(c, S, v);
                    const char* stopNote = left ? "L_Eye_Blink_Stop" : "R_Eye_Blink_Stop";
                    if (f.blink == "true") {  // closes at half time, open again at the end
                        Key(c, Trunc(f.duration * 0.5 * tpms + S), f.value);
                        c->AddNote(stop, stopNote);
                        Key(c, stop, v);
                    } else {  // closes and stays
                        c->AddNote(stop, stopNote);
                        Key(c, stop, f.value);
                    }
                    t = Trunc((static_cast<double>(f.offset) + f.duration) * tpms + t + adj + 10);
                    clock.eyeKeysEnd = std::max(clock.eyeKeysEnd, t);
                }
            } else if ((ch == kLeftEyeBrow || ch == kRightEyeBrow) && Drives(ch, f)) {
                const bool left = ch == kLeftEyeBrow;
                const TimeValue t = T;
                Log(CFormat(left ? msg::kAddingLeftBrow : msg::kAddingRightBrow, target.c_str(), frame, bookmarkTick));
                c->AddNote(t, left ? "L_Eyebrow_Start" : "R_Eyebrow_Start");
                const float v = ValueAt(c, t);
                Key(c, t, v);
                // The raise time is held in single precision.
                const double r = static_cast<float>(f.browDuration * tpms);
                TimeValue stop;
                if (f.blink == "true") {  // raises, then returns to where it was
                    Key(c, Trunc(t + r), f.value);
                    stop = Trunc(f.browReturnDuration * tpms + t + r);
                    c->AddNote(stop, left ? "L_Eyebrow_Stop" : "R_Eyebrow_Stop");
                    Key(c, stop, v);
                } else {  // raises and stays
                    stop = Trunc(t + f.browDuration * tpms);
                    c->AddNote(stop, left ? "L_Eyebrow_Stop" : "R_Eyebrow_Stop");
                    Key(c, stop, f.value);
                }
                clock.eyeKeysEnd = std::max(clock.eyeKeysEnd, stop);
            }
        }
    }

    if (targets.empty() && f.tag == "eyes" && editor_.reportWarnings) {
        Log(CFormat(msg::kEyesNodeMissing, f.node.c_str()), OutputKind::Warning);
    }
    clock.firstKeyPending = 0;
    clock.pausePending = 0;
}

}  // namespace lipsmith
