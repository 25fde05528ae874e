// Conversions between the script as the user writes it and the XML that the
// parser's document holds. In a script every "&" stands for itself, so the
// text is escaped before parsing and the document's text is unescaped again
// before it goes back into the editor.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace lipsmith {

// The UTF-8 byte order mark that editors on every platform may put first in a
// script file. It is no text of the script: the parser skips it, and it stays
// first in the editor so that saving keeps it.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline bool StartsWithBom(std::string_view text) { return text.substr(0, kUtf8Bom.size()) == kUtf8Bom; }

// Every "&" replaced by "&amp;".
std::string EscapeAmpersands(const std::string& script);

// Every occurrence of `what` removed.
std::string RemoveAll(const std::string& text, const std::string& what);

// The document's XML text made back into script text: entity and character
// references that the writer produced ("&amp;", "&gt;", "&quot;", "&#N;" ...)
// become their characters again, and an attribute value that then holds a
// double quote is delimited by single quotes. Parsing the result (after
// EscapeAmpersands) gives the same document.
std::string ScriptTextFromDocumentXml(const std::string& xml);

// The speech engine's text for one actor from the element's XML text: CR, LF
// and TAB deleted, the opening tag cut off and every "</actor>" deleted.
std::string ActorEngineText(const std::string& actorXml);

// Number of characters of the text content below `node` (text and CDATA).
std::size_t TextContentLength(const pugi::xml_node& node);

}  // namespace lipsmith
