// Conversions between the script as the user writes it and the XML that the
// parser's document holds. In a script every "&" stands for itself, so the
// text is escaped before parsing and the document's text is unescaped again
// before it goes back into the editor.
#pragma once
#include <cstddef>
#include <string>

#include <pugixml.hpp>

namespace lipsmith {

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
