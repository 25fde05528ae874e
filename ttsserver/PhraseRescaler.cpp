#include "PhraseRescaler.h"

#include <algorithm>
#include <cmath>

namespace lipsmith::tts {

using namespace lipsmith::speech;

std::vector<std::uint32_t> WordPositionsOf(const std::vector<std::string>& words) {
    std::vector<std::uint32_t> positions;
    std::uint32_t at = 0;
    for (const std::string& w : words) {
        positions.push_back(at);
        at += static_cast<std::uint32_t>(w.size()) + 1;
    }
    return positions;
}

PhraseRescaler::PhraseRescaler(PhraseTiming phrase, Send send) : phrase_(std::move(phrase)), send_(std::move(send)) {
    if (phrase_.bytesPerSecond == 0) phrase_.bytesPerSecond = 44100;
}

void PhraseRescaler::OnVoiceEvent(const SPEVENT& event) {
    switch (event.eEventId) {
        case SPEI_START_INPUT_STREAM: StartStream(); break;
        case SPEI_PHONEME: Phoneme(event.wParam, event.lParam, event.ullAudioStreamOffset); break;
        case SPEI_WORD_BOUNDARY:
            WordBoundary(static_cast<std::uint32_t>(event.lParam), event.ullAudioStreamOffset);
            break;
        case SPEI_END_INPUT_STREAM: EndStream(); break;
        default: break;
    }
}

void PhraseRescaler::StartStream() {
    wordIndex_ = 0;
    sum_ = 0;
    skippedBytes_ = 0;
    queue_.clear();
    sawBoundary_ = false;
}

void PhraseRescaler::Phoneme(WPARAM wParam, LPARAM lParam, std::uint64_t audioOffset) {
    const Record r{wParam, lParam, audioOffset};
    const std::uint16_t phone = r.Phone();
    // A silence right after a silence is dropped: one pause, one key.
    if (!(previousPhone_ == kSilencePhone && phone == kSilencePhone)) {
        sum_ += r.Duration();
        queue_.push_back(r);
    }
    previousPhone_ = phone;
}

void PhraseRescaler::WordBoundary(std::uint32_t position, std::uint64_t audioOffset) {
    // The first word's boundary: its phonemes are still to come.
    const bool first = !sawBoundary_;
    sawBoundary_ = true;
    if (position == 0 || first) return;
    // A voice may report the first phoneme of the next word before that
    // word's boundary; it lies at or after the boundary in the audio and
    // goes on with the next word.
    std::vector<Record> carry;
    if (!queue_.empty() && queue_.back().audioOffset >= audioOffset) {
        carry.push_back(queue_.back());
        sum_ -= carry.back().Duration();
        queue_.pop_back();
    }
    const std::uint32_t next = phrase_.wordPositions.empty() ? wordIndex_ + 1 : WordAt(position);
    if (next <= wordIndex_) {
        // The voice says one recognised word as two: the boundary is inside
        // the word, whose phonemes go on together.
    } else if (queue_.empty()) {
        // A word without phonemes of its own: its stretch of the recording
        // goes to the next word, so later words keep their place.
        std::uint32_t bytes = 0;
        if (WordBytes(next, &bytes)) skippedBytes_ += bytes;
        wordIndex_ = next;
    } else {
        Flush(false, next);
    }
    for (const Record& r : carry) {
        queue_.push_back(r);
        sum_ += r.Duration();
    }
}

void PhraseRescaler::EndStream() {
    // The last phonemes cover every recognised word left when words are
    // matched by place.
    const std::uint32_t words = static_cast<std::uint32_t>(phrase_.wordOffsets.size());
    Flush(true, phrase_.wordPositions.empty() || words <= wordIndex_ ? wordIndex_ + 1 : words);
}

std::uint32_t PhraseRescaler::WordAt(std::uint32_t position) const {
    const auto& p = phrase_.wordPositions;
    // The last word starting at or before the position.
    const auto after = std::upper_bound(p.begin(), p.end(), position);
    return after == p.begin() ? 0 : static_cast<std::uint32_t>(after - p.begin() - 1);
}

bool PhraseRescaler::WordBytes(std::uint32_t nextWord, std::uint32_t* bytes) const {
    const auto& offsets = phrase_.wordOffsets;
    if (wordIndex_ >= offsets.size()) return false;
    const std::uint32_t start = offsets[wordIndex_];
    const std::uint32_t end = nextWord < offsets.size() ? offsets[nextWord] : phrase_.retainedBytes;
    // Offsets out of order (a damaged phrase) give an empty word, not a huge one.
    *bytes = end > start ? end - start : 0;
    return true;
}

void PhraseRescaler::Flush(bool endOfStream, std::uint32_t nextWord) {
    if (queue_.empty()) return;
    // Silences at the very end keep their place but do not count towards
    // the last word's length.
    std::size_t counted = queue_.size();
    std::uint64_t sum = sum_;
    if (endOfStream) {
        while (counted > 0 && queue_[counted - 1].Phone() == kSilencePhone) {
            sum -= queue_[counted - 1].Duration();
            --counted;
        }
    }
    auto send = [&](const Record& r, double ms) {
        const double rounded = std::floor(ms + 0.5);
        const WPARAM duration = rounded >= 0xFFFF ? 0xFFFF : rounded <= 0 ? 0 : static_cast<WPARAM>(rounded);
        const WPARAM wParam = (r.wParam & ~static_cast<WPARAM>(0xFFFF0000u)) | (duration << 16);
        if (send_) send_(wParam, r.lParam);
    };

    std::uint32_t bytes = 0;
    if (!WordBytes(nextWord, &bytes)) {
        // More words than the recogniser found: nothing to fit them to, so
        // they keep the voice's own timing.
        for (const Record& r : queue_) send(r, r.Duration());
    } else {
        const double wordMs = (static_cast<double>(bytes) + skippedBytes_) / phrase_.bytesPerSecond * 1000.0;
        if (sum > 0) {
            for (const Record& r : queue_) send(r, wordMs * (static_cast<double>(r.Duration()) / static_cast<double>(sum)));
        } else {
            // Nothing to share the word's length by: the counted phonemes
            // share it evenly, trailing silences keep their own length.
            for (std::size_t i = 0; i < queue_.size(); ++i)
                send(queue_[i], i < counted ? wordMs / static_cast<double>(counted) : queue_[i].Duration());
        }
    }
    skippedBytes_ = 0;
    wordIndex_ = std::max(nextWord, wordIndex_ + 1);
    queue_.clear();
    sum_ = 0;
}

}  // namespace lipsmith::tts
