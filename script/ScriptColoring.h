// Colouring of script text: tags blue from "<" to ">", attribute values inside
// double quotes red (the quote characters stay blue), everything else black.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "ColoredText.h"

namespace lipsmith {

// One font (Arial 8 point) and the colour table: 0 black, 1 red, 2 blue.
inline constexpr const char* kScriptRtfHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\viewkind4\\uc1\\pard\\f0\\fs16 ";

// The script text as the editor's RTF: backslashes doubled, line breaks as
// "\par ", tabs as "\tab ", colour switches "\cf0 " "\cf1 " "\cf2 " around
// tags and quoted values. The quote parity carries over from tag to tag.
std::string ColorizeScript(const std::string& text);

// What typing at the caret should look like, decided before the key takes effect.
struct CaretColoring {
    TextColor insertionColor = TextColor::Black;
    // The character before the caret, when it must be recoloured (the "<" of
    // the tag the caret stands in turns blue; an opening quote turns red).
    std::optional<std::size_t> recolorPos;
    TextColor recolorTo = TextColor::Black;
};
CaretColoring ColorAtCaret(const std::string& text, std::size_t caret);

// Where the walk over the tags may start again: a place just after a closed
// tag, with the quote parity there. Valid while the text before it is
// unchanged; it saves typing at the end of a long script from walking every
// tag before the caret at each key.
struct CaretScan {
    std::size_t pos = 0;
    bool opening = true;
};
CaretColoring ColorAtCaret(const std::string& text, std::size_t caret, CaretScan& resume);

}  // namespace lipsmith
