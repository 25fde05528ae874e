#include "SessionKeyer.h"

#include <algorithm>

#include "CNumbers.h"
#include "Interface.h"
#include "PipelineMessages.h"
#include "SpeechSession.h"

namespace lipsmith::align {

namespace {

// A phoneme's duration is 16 bits of milliseconds: longer pauses go as
// several silences.
constexpr long long kLongestPhoneme = 60000;

}  // namespace

SessionKeyer::SessionKeyer(SpeechSession& session, std::vector<ActorText> actors)
    : session_(session), actors_(std::move(actors)) {}

void SessionKeyer::SilenceUntil(Ms at) {
    long long gap = at.count() - session_.clock.spokenMs;
    while (gap > 0) {
        const long long ms = std::min(gap, kLongestPhoneme);
        session_.OnPhoneme(static_cast<WPARAM>(ms) << 16, speech::kSilencePhone);
        ++keyed_;
        gap -= ms;
    }
}

void SessionKeyer::ActorStarts(std::size_t actor, Ms at) {
    if (actor >= actors_.size()) return;
    SilenceUntil(at);
    const std::string& node = actors_[actor].node;
    session_.Editor().currentActorNode = node;
    // As at the start of a spoken stream: the actor's first keys get the
    // first-key tangents, and the log says where its keys begin.
    session_.clock.firstKeyPending = 1;
    const TimeValue tick = session_.clock.currentTick;
    const double perFrame = static_cast<double>(session_.Host().GetTicksPerFrame());
    if (session_.Speakers().FindByName(node)) {
        session_.Editor().AppendParserOutput(CFormat(msg::kAddingKeys, node.c_str(), tick / perFrame, tick), OutputKind::Plain);
    } else {
        session_.Editor().AppendParserOutput(CFormat(msg::kNoActor, node.c_str(), node.c_str()), OutputKind::Warning);
    }
    if (std::find(actorsKeyed_.begin(), actorsKeyed_.end(), node) == actorsKeyed_.end()) actorsKeyed_.push_back(node);
}

void SessionKeyer::Phonemes(Ms at, const std::vector<PhonemeEvent>& phonemes) {
    SilenceUntil(at);
    for (const PhonemeEvent& p : phonemes) {
        session_.OnPhoneme(p.wParam, p.lParam);
        ++keyed_;
    }
}

void SessionKeyer::Finish(Ms end) { SilenceUntil(end); }

}  // namespace lipsmith::align
