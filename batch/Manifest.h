// Batch manifests: one lipsmith command per line.
//
//     # comments run from "#" to the end of the line
//     run lines/001.txt --scene rig.lsc --save out/001.lsc --export tsv:out/001.tsv
//     lines/002.txt --save out/002.lsc            # no command: a script is run
//     takes/003.wav --text "Hello there" --actor Head --save out/003.lsc   # a recording is aligned
//     export out/001.lsc --node Head --format dat -o out/001.dat
//
// Words are split at blanks as a shell does: '...' keeps its text as it is,
// "..." too except that \" and \\ stand for " and \, and outside quotes a
// backslash takes the next character as it is. A line whose first word is a
// command name (lower-case letters, digits and "-", naming no file in the
// manifest's folder) runs that command; otherwise the first word is the
// input: a .wav recording is aligned ("align"), anything else is run as a
// script ("run"). Items run in the manifest's folder, so relative paths are
// taken from there.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace lipsmith::batch {

struct ManifestItem {
    int line = 0;                    // in the manifest, from 1
    std::vector<std::string> words;  // the command, then its arguments
    std::string error;               // why the line could not be read; the item then fails
};

struct Manifest {
    std::string folder;  // absolute; items run there
    std::vector<ManifestItem> items;
};

struct ManifestResult {
    Manifest manifest;
    std::string error;  // the file could not be read
    explicit operator bool() const { return error.empty(); }
};

// Splits one line into words; comment-only and blank lines give none. On a
// bad line (an unclosed quote, a backslash at its end) `error` says why.
std::vector<std::string> SplitWords(std::string_view line, std::string* error);

// The items of a manifest's text; `folder` is where its relative paths start.
Manifest ParseManifest(std::string_view text, const std::string& folder);
ManifestResult ReadManifest(const std::string& path);

// The item's short name for reports: its line, its command and first argument.
std::string ItemLabel(const ManifestItem& item);

}  // namespace lipsmith::batch
