// Positions in the script text: the model counts bytes of UTF-8, a window
// toolkit counts UTF-16 code units, and the position field and the parser's
// error columns count characters (code points). A byte that is not part of a
// valid UTF-8 sequence counts as one character and one unit, as a toolkit
// shows it (one replacement character).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lipsmith {

// Units of one UTF-16 text, and characters, in a piece of UTF-8.
std::size_t Utf16Length(std::string_view utf8);
std::size_t CharacterCount(std::string_view utf8);

// The UTF-16 units of a piece of UTF-8 (an invalid byte gives U+FFFD).
std::u16string Utf8ToUtf16(std::string_view utf8);

// The text as valid UTF-8: kept when it already is; otherwise read as
// Windows-1252 (the single-byte scripts of older versions) and converted.
std::string ScriptTextAsUtf8(const std::string& bytes);

// Maps byte offsets of a UTF-8 text to UTF-16 offsets and back without
// walking the whole text each time: it keeps checkpoints (byte offset,
// unit offset) and walks only from the nearest one. Edits move the
// checkpoints after them, so typing into a long script stays cheap.
class Utf16Index {
public:
    // Forgets every checkpoint (the text was replaced as a whole).
    void Reset();
    // An edit at byte `pos`: `removedBytes`/`removedUnits` went,
    // `insertedBytes`/`insertedUnits` came.
    void Edit(std::size_t pos, std::size_t removedBytes, std::size_t removedUnits, std::size_t insertedBytes,
              std::size_t insertedUnits);

    // Offsets past the end answer the end. A byte offset inside a character
    // counts as the start of that character.
    std::size_t ToUnits(const std::string& text, std::size_t byteOffset);
    std::size_t ToBytes(const std::string& text, std::size_t unitOffset);

private:
    struct Mark {
        std::size_t bytes;
        std::size_t units;
    };
    // The last checkpoint at or before the position (by bytes or by units).
    Mark Before(std::size_t value, bool byUnits) const;
    void Extend(const std::string& text, std::size_t bytes);

    std::vector<Mark> marks_{{0, 0}};  // ascending; always starts at {0, 0}
};

}  // namespace lipsmith
