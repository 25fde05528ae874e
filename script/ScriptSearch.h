// Finding text in the script: one match at a time in either direction, with
// or without case and whole-word matching, and the find dialog's series that
// wraps around once to where it began.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace lipsmith {

struct FindOptions {
    bool down = true;
    bool matchCase = true;
    bool wholeWord = false;
};

struct TextMatch {
    std::size_t start = 0;
    std::size_t length = 0;  // bytes
    bool operator==(const TextMatch&) const = default;
};

// The first match at or after `from` and ending at or before `limit`
// (down), or the last one starting at or after `limit` and ending at or
// before `from` (up). Without match case, letters are compared by their lower
// case form.
std::optional<TextMatch> FindText(const std::string& text, const std::string& what, std::size_t from,
                                  std::size_t limit, const FindOptions& options);

// Whether `candidate` is `what` (with the case rule of the options).
bool SameText(const std::string& candidate, const std::string& what, bool matchCase);

// Consecutive "Find Next" requests. The first one remembers where it began;
// reaching the end (or the start, going up) without a match goes on once from
// the other end up to that place. No match at all ends the series, so the
// next request starts a new one.
class FindSeries {
public:
    // selStart/selEnd: the current selection.
    std::optional<TextMatch> Next(const std::string& text, const std::string& what, std::size_t selStart,
                                  std::size_t selEnd, const FindOptions& options);
    void Reset() { start_.reset(); }
    bool Active() const { return start_.has_value(); }

private:
    std::optional<std::size_t> start_;
    bool wrapped_ = false;
};

}  // namespace lipsmith
