#include "PhraseCutter.h"

#include <algorithm>
#include <cmath>

namespace lipsmith::align {

namespace {

double LevelDb(const std::int16_t* frame) {
    double sum = 0;
    for (int i = 0; i < kCutFrame; ++i) sum += static_cast<double>(frame[i]) * frame[i];
    return 10.0 * std::log10(sum / kCutFrame + 1.0);
}

std::size_t Frames(std::chrono::milliseconds ms) { return static_cast<std::size_t>(std::max<long long>(1, ms.count() / 10)); }

}  // namespace

PhraseCutter::PhraseCutter(CutOptions options) : options_(options) {}

void PhraseCutter::Feed(std::span<const std::int16_t> samples, std::vector<CutPhrase>& done) {
    std::size_t at = 0;
    if (!partial_.empty()) {
        const std::size_t take = std::min(samples.size(), static_cast<std::size_t>(kCutFrame) - partial_.size());
        partial_.insert(partial_.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(take));
        at = take;
        if (partial_.size() < static_cast<std::size_t>(kCutFrame)) return;
        const std::vector<std::int16_t> frame = std::move(partial_);
        partial_.clear();
        Frame(frame.data(), done);
    }
    for (; at + kCutFrame <= samples.size(); at += kCutFrame) Frame(samples.data() + at, done);
    partial_.assign(samples.begin() + static_cast<std::ptrdiff_t>(at), samples.end());
}

void PhraseCutter::Frame(const std::int16_t* frame, std::vector<CutPhrase>& done) {
    const double level = LevelDb(frame);
    // The floor drops at once to a quieter frame and rises slowly (about
    // 3 dB a second), so speech never lifts it far but a noisier room does.
    if (floorDb_ < 0 || level < floorDb_) {
        floorDb_ = level;
    } else {
        floorDb_ += 0.03;
    }
    const bool loud = level > floorDb_ + options_.marginDb;
    held_.insert(held_.end(), frame, frame + kCutFrame);
    loud_.push_back(loud);
    const std::size_t n = loud_.size();
    const std::size_t pad = Frames(options_.padding);

    if (!inPhrase_) {
        if (loud) {
            inPhrase_ = true;
            phraseFirst_ = n - 1 >= pad ? n - 1 - pad : 0;
            lastLoud_ = n - 1;
        } else if (n > pad) {
            // Only the padding before a phrase is worth keeping.
            const std::size_t drop = n - pad;
            held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(drop * kCutFrame));
            loud_.erase(loud_.begin(), loud_.begin() + static_cast<std::ptrdiff_t>(drop));
            heldStart_ += drop * kCutFrame;
        }
        return;
    }
    if (loud) lastLoud_ = n - 1;
    if (n - 1 - lastLoud_ >= Frames(options_.minPause)) {
        Emit(std::min(n, lastLoud_ + 1 + pad), done);
        return;
    }
    if (n - phraseFirst_ >= Frames(options_.maxPhrase)) {
        // Too long without a pause: cut in the middle of the longest quiet
        // run of the phrase's second half, else at the end.
        std::size_t bestStart = 0, bestLength = 0;
        const std::size_t from = phraseFirst_ + (n - phraseFirst_) / 2;
        for (std::size_t f = from; f < n;) {
            if (loud_[f]) {
                ++f;
                continue;
            }
            const std::size_t run = f;
            while (f < n && !loud_[f]) ++f;
            if (f - run > bestLength) {
                bestLength = f - run;
                bestStart = run;
            }
        }
        Emit(bestLength >= 3 && bestStart + bestLength < n ? bestStart + bestLength / 2 : n, done);
    }
}

void PhraseCutter::Emit(std::size_t endFrame, std::vector<CutPhrase>& done) {
    CutPhrase p;
    p.startSample = heldStart_ + phraseFirst_ * kCutFrame;
    p.audio.assign(held_.begin() + static_cast<std::ptrdiff_t>(phraseFirst_ * kCutFrame),
                   held_.begin() + static_cast<std::ptrdiff_t>(endFrame * kCutFrame));
    done.push_back(std::move(p));
    // What follows the phrase stays: it may hold the start of the next one.
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(endFrame * kCutFrame));
    loud_.erase(loud_.begin(), loud_.begin() + static_cast<std::ptrdiff_t>(endFrame));
    heldStart_ += endFrame * kCutFrame;
    inPhrase_ = false;
    phraseFirst_ = 0;
    // Loud frames already held after the cut start the next phrase.
    const std::size_t pad = Frames(options_.padding);
    for (std::size_t f = 0; f < loud_.size(); ++f) {
        if (!loud_[f]) continue;
        inPhrase_ = true;
        phraseFirst_ = f >= pad ? f - pad : 0;
        lastLoud_ = f;
        for (std::size_t g = f; g < loud_.size(); ++g)
            if (loud_[g]) lastLoud_ = g;
        break;
    }
}

void PhraseCutter::Finish(std::vector<CutPhrase>& done) {
    if (!partial_.empty()) {
        partial_.resize(kCutFrame, 0);
        const std::vector<std::int16_t> frame = std::move(partial_);
        partial_.clear();
        Frame(frame.data(), done);
    }
    if (inPhrase_) Emit(loud_.size(), done);
    held_.clear();
    loud_.clear();
}

}  // namespace lipsmith::align
