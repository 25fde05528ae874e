#include "PhonemeTimeline.h"

#include <algorithm>

namespace lipsmith::engines {

using namespace lipsmith::speech;

PhonemeTimeline::PhonemeTimeline(std::uint32_t sampleRate, std::uint32_t bytesPerSample)
    : rate_(sampleRate ? sampleRate : 1), bytesPerSample_(bytesPerSample) {}

std::uint64_t PhonemeTimeline::MsAt(std::uint64_t sample) const {
    return (sample * 1000 + rate_ / 2) / rate_;
}

void PhonemeTimeline::AddPhoneme(std::uint64_t sample, std::uint16_t id, std::uint16_t features) {
    if (!sawPhoneme_) {
        sawPhoneme_ = true;
        // The pause before the first sound is a phoneme of its own.
        if (MsAt(sample) > 0) pending_.push_back(Entry{true, 0, kSilencePhone, 0, {}});
    }
    pending_.push_back(Entry{true, sample, id, features, {}});
    Pump();
}

void PhonemeTimeline::AddEvent(std::uint64_t sample, SPEVENT event) {
    auto at = pending_.end();
    while (at != pending_.begin()) {
        auto before = std::prev(at);
        if (!before->phoneme || before->sample < sample) break;
        at = before;
    }
    event.ullAudioStreamOffset = sample * bytesPerSample_;
    pending_.insert(at, Entry{false, sample, 0, 0, std::move(event)});
    Pump();
}

void PhonemeTimeline::AudioWritten(std::uint64_t samples) {
    written_ = std::max(written_, samples);
    Pump();
}

void PhonemeTimeline::Finish(std::uint64_t totalSamples) {
    total_ = std::max(totalSamples, written_);
    written_ = total_;
    if (!sawPhoneme_ && MsAt(total_) > 0) {
        // Audio without any phoneme (a bare pause): still account for its time.
        sawPhoneme_ = true;
        pending_.push_back(Entry{true, 0, kSilencePhone, 0, {}});
    }
    finished_ = true;
    Pump();
}

std::vector<SPEVENT> PhonemeTimeline::TakeReady() {
    std::vector<SPEVENT> out;
    out.swap(ready_);
    return out;
}

void PhonemeTimeline::EmitPhoneme(const Entry& e, std::uint64_t durationMs, std::uint16_t next) {
    // A duration travels in 16 bits: a longer pause becomes several phonemes.
    std::uint64_t startMs = MsAt(e.sample);
    while (durationMs > 0) {
        const std::uint64_t part = std::min<std::uint64_t>(durationMs, 0xFFFF);
        durationMs -= part;
        SPEVENT ev;
        ev.eEventId = SPEI_PHONEME;
        ev.elParamType = SPET_LPARAM_IS_UNDEFINED;
        const std::uint64_t startSample = startMs * rate_ / 1000;
        ev.ullAudioStreamOffset = std::max(startSample, e.sample) * bytesPerSample_;
        ev.wParam = (part << 16) | (durationMs > 0 ? e.id : next);
        ev.lParam = static_cast<LPARAM>((static_cast<std::uint32_t>(e.features) << 16) | e.id);
        ready_.push_back(std::move(ev));
        startMs += part;
    }
}

bool PhonemeTimeline::GiveTimeToHidden() {
    const Entry& front = pending_.front();
    auto isPhoneme = [](const Entry& x) { return x.phoneme; };
    auto first = std::find_if(pending_.begin() + 1, pending_.end(), isPhoneme);
    if (first == pending_.end() || MsAt(first->sample) <= MsAt(front.sample)) return true;

    // The phonemes right after the front that end where they start.
    std::vector<std::deque<Entry>::iterator> hidden;
    auto last = first;
    for (auto q = first;;) {
        auto after = std::find_if(q + 1, pending_.end(), isPhoneme);
        std::uint64_t end = total_;
        if (after != pending_.end()) {
            end = after->sample;
        } else if (!finished_) {
            // Phonemes still to come start where the audio written so far ends, or later.
            if (MsAt(written_) > MsAt(q->sample)) break;
            return false;
        }
        if (MsAt(end) > MsAt(q->sample)) break;
        if (q->id != kSilencePhone) hidden.push_back(q);
        last = q;
        if (after == pending_.end()) break;
        q = after;
    }
    if (hidden.empty()) return true;

    // They sound inside the front's stretch (the engine reports a final "l"
    // after a vowel at the vowel's end), so they take its tail: an equal share
    // after a sound, a consonant's length at most after a pause.
    const std::uint64_t span = first->sample - front.sample;
    std::uint64_t share = span / (hidden.size() + 1);
    if (front.id == kSilencePhone) share = std::min<std::uint64_t>(share, rate_ * kHiddenAfterPauseMs / 1000);
    for (std::size_t i = 0; i < hidden.size(); ++i) hidden[i]->sample = first->sample - (hidden.size() - i) * share;
    // Events keep their place in time around the moved phonemes.
    std::stable_sort(pending_.begin() + 1, last + 1, [](const Entry& a, const Entry& b) {
        return a.sample < b.sample || (a.sample == b.sample && !a.phoneme && b.phoneme);
    });
    return true;
}

void PhonemeTimeline::Pump() {
    while (!pending_.empty()) {
        Entry& e = pending_.front();
        if (!e.phoneme) {
            if (!finished_ && e.sample > written_) return;
            ready_.push_back(std::move(e.event));
            pending_.pop_front();
            continue;
        }
        if (std::none_of(pending_.begin() + 1, pending_.end(), [](const Entry& x) { return x.phoneme; }) &&
            !finished_)
            return;
        if (!finished_ && e.sample > written_) return;
        if (!GiveTimeToHidden()) return;
        auto next = std::find_if(pending_.begin() + 1, pending_.end(), [](const Entry& x) { return x.phoneme; });
        const std::uint64_t end = next != pending_.end() ? next->sample : total_;
        const std::uint64_t startMs = MsAt(e.sample);
        const std::uint64_t endMs = MsAt(std::max(end, e.sample));
        const std::uint16_t nextId = next != pending_.end() ? next->id : kSilencePhone;
        const Entry done = e;
        pending_.pop_front();
        // Zero-length phonemes (two reported at one position) have nothing to show.
        if (endMs > startMs) EmitPhoneme(done, endMs - startMs, nextId);
    }
}

}  // namespace lipsmith::engines
