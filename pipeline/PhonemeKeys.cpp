// Keys from phoneme notifications: one key per mouth channel at the start of
// each phoneme, on every active controller of the actor and its descendants.
#include <array>

#include "CNumbers.h"
#include "Interface.h"
#include "Node.h"
#include "PhonemeSet.h"
#include "PipelineMessages.h"
#include "SpeechController.h"
#include "SpeechSession.h"

namespace lipsmith {

namespace {

// The map parameter that feeds each mouth channel (index channel - 1).
const std::array<MouthParameter, kLastMouthChannel>& ParameterOfChannel() {
    static const std::array<MouthParameter, kLastMouthChannel> table = [] {
        std::array<MouthParameter, kLastMouthChannel> t{};
        for (const MouthParameterInfo& info : kMouthParameters) t[static_cast<std::size_t>(info.channel - 1)] = info.parameter;
        return t;
    }();
    return table;
}

std::string ChannelLabel(SpeechController* c) { return c->SubAnimName(1); }

}  // namespace

void SpeechSession::OnPhoneme(WPARAM wParam, LPARAM lParam) {
    const int ms = static_cast<int>((wParam >> 16) & 0xFFFF);
    int phone = static_cast<int>(lParam & 0xFFFF);
    const int features = static_cast<int>((lParam >> 16) & 0xFFFF);
    // A phone outside the map's set still takes its time: keyed as silence.
    if (!IsPhonemeId(phone)) phone = kSilencePhoneme;
    if (phone == kSilencePhoneme) clock.pausePending = 1;
    // Kept whole: a 16-bit tick count would wrap for pauses over 13.5 seconds.
    const TimeValue durationTicks = clock.MsToTicks(ms);
    KeysFromPhoneme(features, phone - 1, durationTicks);
    clock.Advance(ms);
}

void SpeechSession::KeysFromPhoneme(int features, int phonemeIndex, TimeValue durationTicks) {
    if (speakers_.Empty()) return;
    if (phonemeIndex < 0 || phonemeIndex >= kPhonemeCount) phonemeIndex = kSilencePhoneme - 1;
    const float gain = (features == 1 || features == 2) ? 1.2f : 1.0f;
    const PhonemeEntry& entry = map_[static_cast<std::size_t>(phonemeIndex)];
    const TimeValue t = clock.currentTick;
    const bool replace = editor_.replaceMode != 0;

    for (SpeakerEntry* target : speakers_.ActorTargets(editor_.currentActorNode)) {
        for (SpeechController* c : target->controllers) {
            if (!c->active) {
                if (editor_.verboseOutput) {
                    Log(CFormat(msg::kInactiveController, ChannelLabel(c).c_str(), target->node->GetName()));
                }
                continue;
            }
            if (IsEyeChannel(c->channel)) {
                // Eye and brow keys of this run stay put; later ones move with the speech.
                if (!replace) c->InsertTimeBoth(clock.eyeKeysEnd + 1, durationTicks);
                continue;
            }
            c->SetFirstKeyFlag(clock.firstKeyPending ? 1 : 0);
            c->SetLastKeyFlag(clock.pausePending ? 1 : 0);
            if (replace) {
                c->DeleteTimeBoth(t, AddTicksClamped(t, durationTicks));
            } else {
                c->InsertTimeBoth(t, durationTicks);
            }
            c->AddNote(t, entry.name.c_str());
            if (IsMouthChannel(c->channel)) {
                float value = gain * entry[ParameterOfChannel()[static_cast<std::size_t>(c->channel - 1)]];
                c->SetValueLocalTime(t, &value, 1, CTRL_RELATIVE);
            }
        }
    }
    clock.firstKeyPending = 0;
    clock.pausePending = 0;
}

void SpeechSession::DeleteKeysAfterInFrame() {
    if (!options.deleteKeysAfterInFrame || speakers_.Empty()) return;
    // Never wrapped: an In Frame beyond the time line clears nothing.
    const TimeValue from = AddTicksClamped(0, static_cast<long long>(options.inFrame) * ip_.GetTicksPerFrame());
    for (SpeakerEntry* target : speakers_.ActorTargets(editor_.currentActorNode)) {
        if (target->done) continue;
        target->done = 1;
        for (SpeechController* c : target->controllers) c->DeleteTimeBoth(from, TIME_PosInfinity);
    }
}

}  // namespace lipsmith
