#include "TranscriptMatcher.h"

#include <algorithm>
#include <cmath>

namespace lipsmith::align {

namespace {

constexpr std::size_t kLongestStretch = 800;

Ms FrameMs(const CutPhrase& phrase, int frame) {
    return SamplesToMs(phrase.startSample, kCutRate) + Ms(10LL * frame);
}

}  // namespace

TranscriptMatcher::TranscriptMatcher(std::vector<std::string> words, engines::ForcedAligner& aligner)
    : words_(std::move(words)), aligner_(aligner) {}

std::size_t TranscriptMatcher::StretchFor(Ms phraseLength) const {
    const double seconds = static_cast<double>(phraseLength.count()) / 1000.0;
    const double pace = std::clamp(wordsPerSecond_, 2.0, 6.0);
    std::size_t n = static_cast<std::size_t>(std::ceil(seconds * pace * 1.5)) + 8;
    n <<= std::min(misses_, 6);
    return std::min(n, kLongestStretch);
}

PhraseMatch TranscriptMatcher::Match(const CutPhrase& phrase) {
    PhraseMatch out = MatchOnce(phrase);
    // The grammar lets a phrase end after any word, and the rest of the
    // audio then goes into the last word: a last word far longer than the
    // others swallowed words of the text. It keeps a word's length, and the
    // audio after it is aligned again with the words that follow.
    CutPhrase rest;
    for (int again = 0; again < 8 && next_ < words_.size() && out.matched.size() > 0; ++again) {
        MatchedWord& last = out.matched.back();
        const Ms phraseEnd = SamplesToMs(phrase.EndSample(), kCutRate);
        Ms typical{300};
        if (out.matched.size() > 1)
            typical = (out.matched[out.matched.size() - 2].end - out.matched.front().start) /
                      static_cast<long long>(out.matched.size() - 1);
        const Ms longest = std::max(Ms(900), typical * 3);
        if (last.end - last.start <= longest || phraseEnd - last.start < longest) break;
        last.end = last.start + std::max(Ms(250), typical * 2);
        lastEnd_ = last.end;
        const std::uint64_t from = static_cast<std::uint64_t>(last.end.count()) * kCutRate / 1000;
        if (from <= phrase.startSample || from >= phrase.EndSample()) break;
        rest.startSample = from;
        rest.audio.assign(phrase.audio.begin() + static_cast<std::ptrdiff_t>(from - phrase.startSample), phrase.audio.end());
        PhraseMatch more = MatchOnce(rest);
        if (FAILED(more.status)) {
            out.status = more.status;
            break;
        }
        out.missed.insert(out.missed.end(), more.missed.begin(), more.missed.end());
        out.extra.insert(out.extra.end(), more.extra.begin(), more.extra.end());
        if (more.matched.empty()) break;
        out.matched.insert(out.matched.end(), more.matched.begin(), more.matched.end());
    }
    return out;
}

PhraseMatch TranscriptMatcher::MatchOnce(const CutPhrase& phrase) {
    PhraseMatch out;
    const Ms start = SamplesToMs(phrase.startSample, kCutRate);
    const Ms end = SamplesToMs(phrase.EndSample(), kCutRate);
    if (phrase.audio.empty()) return out;
    if (next_ >= words_.size()) {
        out.extra.push_back({start, end});
        return out;
    }
    const std::size_t count = std::min(StretchFor(end - start), words_.size() - next_);
    const std::vector<std::string> stretch(words_.begin() + static_cast<std::ptrdiff_t>(next_),
                                           words_.begin() + static_cast<std::ptrdiff_t>(next_ + count));
    const engines::StretchAlignment aligned = aligner_.Align(phrase.audio, stretch, next_);
    out.status = aligned.status;
    for (const engines::ExtraSpeech& e : aligned.extra)
        out.extra.push_back({FrameMs(phrase, e.startFrame), FrameMs(phrase, e.endFrame + 1)});
    if (FAILED(aligned.status) || aligned.words.empty()) {
        // Nothing of the text here: the speaker said something else (or the
        // text is further on than the stretch reached).
        if (SUCCEEDED(aligned.status) && out.extra.empty()) out.extra.push_back({start, end});
        ++misses_;
        return out;
    }
    misses_ = 0;
    auto isUnpronounceable = [&](std::size_t i) {
        return std::find(aligned.unpronounceable.begin(), aligned.unpronounceable.end(), i) !=
               aligned.unpronounceable.end();
    };
    std::size_t expected = 0;  // next stretch word not yet accounted for
    Ms after = lastEnd_;
    for (const engines::AlignedWord& w : aligned.words) {
        if (w.index < expected) continue;  // never goes back
        const Ms wordStart = FrameMs(phrase, w.startFrame);
        for (; expected < w.index; ++expected)
            out.missed.push_back({next_ + expected, after, wordStart, isUnpronounceable(expected)});
        MatchedWord m{next_ + w.index, wordStart, FrameMs(phrase, w.endFrame + 1)};
        out.matched.push_back(m);
        after = m.end;
        expected = w.index + 1;
    }
    // Words the grammar could not hold, right after the last match, belong
    // to this phrase too.
    while (expected < count && isUnpronounceable(expected)) {
        out.missed.push_back({next_ + expected, after, end, true});
        ++expected;
    }
    next_ += expected;
    lastEnd_ = after;
    const double spoken =
        static_cast<double>((out.matched.back().end - out.matched.front().start).count()) / 1000.0;
    if (spoken > 0.3) {
        const double pace = static_cast<double>(out.matched.size()) / spoken;
        wordsPerSecond_ = 0.8 * wordsPerSecond_ + 0.2 * pace;
    }
    return out;
}

std::vector<MissedWord> TranscriptMatcher::Finish(Ms recordingEnd) {
    std::vector<MissedWord> missed;
    for (; next_ < words_.size(); ++next_) missed.push_back({next_, lastEnd_, recordingEnd, false});
    return missed;
}

}  // namespace lipsmith::align
