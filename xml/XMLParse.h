// A small wrapper over one XML document: load from text or file, save, and
// reach the tree. Status codes: 0 success, 1 a failure the caller handles
// (text not well-formed, nothing loaded), negative codes otherwise.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "Result.h"

namespace lipsmith {

struct XmlParseError {
    std::string reason;   // empty when the last load succeeded
    long line = 0;        // one-based
    long linePos = 0;     // one-based position within the line
};

// Reports of an exception, one per operation (caption "Lipsmith", error icon).
inline constexpr const char* kXmlLoadXMLFromBufferThrew = "XMLParse::LoadXMLFromBuffer() has thrown anException";
inline constexpr const char* kXmlLoadXMLThrew = "XMLParse::LoadXML() has thrown anException";
inline constexpr const char* kXmlSaveXMLThrew = "XMLParse::SaveXML() has thrown anException";
// Destroying the document frees memory only and cannot throw, so this report
// has no path that shows it; the text stays with its siblings.
inline constexpr const char* kXmlDestructorThrew = "XMLParse::~XMLParse() has thrown anException";

// An exception inside LoadXMLFromBuffer, LoadXML or SaveXML is reported with a
// message box naming the operation and then passed on (out of memory as
// std::bad_alloc).
class XMLParse {
public:
    XMLParse();
    ~XMLParse();
    XMLParse(const XMLParse&) = delete;
    XMLParse& operator=(const XMLParse&) = delete;

    // 0 when the document exists (after this, GetDocument is usable).
    HRESULT Create();
    pugi::xml_document* GetDocument();

    HRESULT LoadXMLFromBuffer(const std::string& text);
    HRESULT LoadXML(const std::string& path);
    // Written to a temporary name beside the target and renamed over it.
    HRESULT SaveXML(const std::string& path);

    const XmlParseError& ParseError() const;

    // Elements of the given name anywhere in the document, in document order.
    std::vector<pugi::xml_node> ElementsByName(const std::string& name) const;
    // XML text of the whole document: each top-level node in raw form (no
    // indentation) followed by CR LF, as the file is written.
    std::string DocumentXml() const;
    // XML text of one node in raw form.
    static std::string NodeXml(const pugi::xml_node& node);
    // The node's text as the DOM gives it: all text and CDATA below it, joined.
    static std::string NodeText(const pugi::xml_node& node);
    // Elements below `root` in document order; all of them when name is nullptr.
    static std::vector<pugi::xml_node> ElementsIn(const pugi::xml_node& root, const char* name);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lipsmith
