// Walks through the text's words as the recording's phrases come: each
// phrase is aligned against the next stretch of words, long enough for the
// phrase's length at the speaker's pace. Words the speaker passed over are
// reported with where they would have been; a phrase that matches no word is
// reported as extra speech, and the search widens while phrases keep
// missing, so that a speaker who skipped a long passage is found again.
#pragma once
#include <string>
#include <vector>

#include "ForcedAligner.h"
#include "PhraseCutter.h"
#include "Timing.h"

namespace lipsmith::align {

struct PhraseMatch {
    HRESULT status = S_OK;
    std::vector<MatchedWord> matched;
    std::vector<MissedWord> missed;
    std::vector<ExtraSpeech> extra;
};

class TranscriptMatcher {
public:
    TranscriptMatcher(std::vector<std::string> words, engines::ForcedAligner& aligner);

    PhraseMatch Match(const CutPhrase& phrase);
    // The words never reached by the end of the recording.
    std::vector<MissedWord> Finish(Ms recordingEnd);

    std::size_t Next() const { return next_; }
    const std::vector<std::string>& Words() const { return words_; }
    // How many words the next phrase of this length is aligned against.
    std::size_t StretchFor(Ms phraseLength) const;

private:
    PhraseMatch MatchOnce(const CutPhrase& phrase);

    std::vector<std::string> words_;
    engines::ForcedAligner& aligner_;
    std::size_t next_ = 0;
    Ms lastEnd_{0};
    double wordsPerSecond_ = 3.0;
    int misses_ = 0;
};

}  // namespace lipsmith::align
