#include "XMLParse.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <new>
#include <unordered_set>

#include "FileUtil.h"
#include "MessageBox.h"

namespace lipsmith {

namespace {

// Keep the declaration, a document type, comments and processing
// instructions; whitespace-only text is dropped. parse_fragment lets the top
// level be checked here, since pugixml alone accepts several root elements and
// drops text beside them.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype |
                                   pugi::parse_comments | pugi::parse_pi | pugi::parse_fragment;

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
    std::string text;
};

// Runs one operation; an exception is reported with the operation's message
// and passed on to the caller.
template <typename F>
auto Reported(const char* message, F&& operation) {
    try {
        return operation();
    } catch (...) {
        ShowMessage(message, kDefaultCaption, MB_OK | MB_ICONERROR);
        throw;
    }
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t Utf8Length(std::uint32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

// Line and position (both one-based) of `offset`, which pugixml counts in
// bytes of the text after conversion to UTF-8; positions count characters.
void PositionOf(const std::string& data, pugi::xml_encoding encoding, std::ptrdiff_t offset, XmlParseError& error) {
    error.line = 1;
    error.linePos = 1;
    auto unit16 = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(data[i]), b = static_cast<unsigned char>(data[i + 1]);
        return static_cast<std::uint32_t>(encoding == pugi::encoding_utf16_le ? a | (b << 8) : (a << 8) | b);
    };
    std::size_t i = 0;
    std::ptrdiff_t produced = 0;
    bool afterCr = false;
    while (i < data.size() && produced < offset) {
        std::uint32_t cp = 0;
        bool counts = true;  // starts a character
        switch (encoding) {
            case pugi::encoding_utf16_le:
            case pugi::encoding_utf16_be:
                if (i + 2 > data.size()) return;
                cp = unit16(i);
                i += 2;
                if (cp >= 0xD800 && cp < 0xDC00 && i + 2 <= data.size()) {
                    const std::uint32_t low = unit16(i);
                    if (low >= 0xDC00 && low < 0xE000) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        i += 2;
                    }
                }
                produced += static_cast<std::ptrdiff_t>(Utf8Length(cp));
                break;
            case pugi::encoding_utf32_le:
            case pugi::encoding_utf32_be: {
                if (i + 4 > data.size()) return;
                const auto* u = reinterpret_cast<const unsigned char*>(data.data() + i);
                cp = encoding == pugi::encoding_utf32_le ? u[0] | (u[1] << 8) | (u[2] << 16) | (std::uint32_t(u[3]) << 24)
                                                          : (std::uint32_t(u[0]) << 24) | (u[1] << 16) | (u[2] << 8) | u[3];
                i += 4;
                produced += static_cast<std::ptrdiff_t>(Utf8Length(cp));
                break;
            }
            case pugi::encoding_latin1:
                cp = static_cast<unsigned char>(data[i++]);
                produced += static_cast<std::ptrdiff_t>(Utf8Length(cp));
                break;
            default:  // UTF-8: the offsets are those of the text itself
                cp = static_cast<unsigned char>(data[i++]);
                counts = (cp & 0xC0) != 0x80;
                ++produced;
                break;
        }
        // CR, LF and CR LF each end a line, as in the script editor.
        if (cp == '\r' || (cp == '\n' && !afterCr)) {
            ++error.line;
            error.linePos = 1;
        } else if (counts && cp != '\n') {
            ++error.linePos;
        }
        afterCr = cp == '\r';
    }
}

std::string ReasonFor(const pugi::xml_parse_result& result, const std::string& data) {
    switch (result.status) {
        case pugi::status_file_not_found: return "The system cannot locate the file specified.";
        case pugi::status_io_error: return "The file could not be read.";
        case pugi::status_out_of_memory: return "Out of memory.";
        case pugi::status_unrecognized_tag: return "Unrecognized markup after '<'.";
        case pugi::status_bad_pi: return "Invalid XML declaration or processing instruction.";
        case pugi::status_bad_comment: return "Invalid comment.";
        case pugi::status_bad_cdata: return "Invalid CDATA section.";
        case pugi::status_bad_doctype: return "Invalid document type declaration.";
        case pugi::status_bad_pcdata: return "Invalid text content.";
        case pugi::status_bad_start_element: return "Invalid start tag.";
        case pugi::status_bad_attribute: return "Invalid attribute (values must be quoted).";
        case pugi::status_bad_end_element: return "Invalid end tag.";
        case pugi::status_end_element_mismatch: {
            const auto at = static_cast<std::size_t>(result.offset);
            if (result.encoding == pugi::encoding_utf8 && at >= 2 && at < data.size() && data.compare(at - 2, 2, "</") == 0) {
                const std::size_t end = data.find_first_of(" \t\r\n>", at);
                return "End tag '" + data.substr(at, end == std::string::npos ? std::string::npos : end - at) +
                       "' does not match the start tag.";
            }
            return "The end tag does not match the start tag, or the document ended before every element was closed.";
        }
        case pugi::status_no_document_element: return "XML document must have a top level element.";
        default: return result.description();
    }
}

// A check pugixml leaves out: one attribute name per element.
const char* DuplicateAttribute(const pugi::xml_node& element) {
    const pugi::xml_attribute first = element.first_attribute();
    if (!first || !first.next_attribute()) return nullptr;
    std::unordered_set<std::string_view> seen;
    for (const pugi::xml_attribute& a : element.attributes()) {
        if (!seen.insert(a.name()).second) return a.name();
    }
    return nullptr;
}

// Visits the nodes below `root` in document order, without recursion so that
// deep nesting cannot exhaust the stack.
template <typename F>
void ForEachDescendant(const pugi::xml_node& root, F&& visit) {
    pugi::xml_node node = root.first_child();
    while (node) {
        visit(node);
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling()) node = node.parent();
        if (node == root) break;
        node = node.next_sibling();
    }
}

enum class FileRead { Ok, Missing, Unreadable };

// Reads a whole regular file. Opened without blocking, so a path naming a
// pipe or a device fails at once instead of hanging.
FileRead ReadRegularFile(const std::string& path, std::string& data) {
    if (path.empty()) return FileRead::Missing;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? FileRead::Missing : FileRead::Unreadable;
    struct stat st {};
    FileRead outcome = FileRead::Ok;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        outcome = FileRead::Unreadable;
    } else {
        data.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) outcome = FileRead::Unreadable;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        data.resize(got);
    }
    ::close(fd);
    return outcome;
}

}  // namespace

struct XMLParse::Impl {
    std::unique_ptr<pugi::xml_document> document;
    XmlParseError error;

    void Fail(std::string reason, const std::string& data, pugi::xml_encoding encoding, std::ptrdiff_t offset) {
        error.reason = std::move(reason);
        PositionOf(data, encoding, offset, error);
        document->reset();
    }

    // Checks what pugixml accepts in fragment mode but a document may not have
    // at its top level. Returns false after recording the error.
    bool CheckDocument(const std::string& data, pugi::xml_encoding encoding) {
        int elements = 0;
        int doctypes = 0;
        bool first = true;
        for (pugi::xml_node node : document->children()) {
            const std::ptrdiff_t at = node.offset_debug();
            switch (node.type()) {
                case pugi::node_element:
                    if (++elements > 1) {
                        Fail("Only one top level element is allowed in an XML document.", data, encoding, at - 1);
                        return false;
                    }
                    break;
                case pugi::node_pcdata: {
                    // Point at the first visible character. Line ends in the value are
                    // already normalised, so count in the text itself where it is UTF-8.
                    std::ptrdiff_t visible = at;
                    if (encoding == pugi::encoding_utf8) {
                        std::size_t i = static_cast<std::size_t>(at);
                        while (i < data.size() && IsXmlSpace(data[i])) ++i;
                        visible = static_cast<std::ptrdiff_t>(i);
                    } else {
                        const std::size_t skip = std::string_view(node.value()).find_first_not_of(" \t\r\n");
                        visible += static_cast<std::ptrdiff_t>(skip == std::string_view::npos ? 0 : skip);
                    }
                    Fail("Text is not allowed at the top level of the document.", data, encoding, visible);
                    return false;
                }
                case pugi::node_cdata:
                    Fail("A CDATA section is not allowed at the top level of the document.", data, encoding,
                         at - 9);
                    return false;
                case pugi::node_declaration:
                    if (!first || at > 5) {  // only a byte order mark may come before it
                        Fail("The XML declaration must come first in the document.", data, encoding, at - 2);
                        return false;
                    }
                    break;
                case pugi::node_doctype:
                    // At most one, and before the top level element.
                    if (elements > 0 || doctypes++ > 0) {
                        // The library points into the declaration: report its "<!".
                        std::ptrdiff_t start = at;
                        if (encoding == pugi::encoding_utf8) {
                            const std::size_t lt = data.rfind('<', static_cast<std::size_t>(at));
                            if (lt != std::string::npos) start = static_cast<std::ptrdiff_t>(lt);
                        }
                        Fail("The document type declaration must come before the top level element.", data,
                             encoding, start);
                        return false;
                    }
                    break;
                default:
                    break;
            }
            first = false;
        }
        if (elements == 0) {
            Fail("XML document must have a top level element.", data, encoding, PTRDIFF_MAX);
            return false;
        }
        pugi::xml_node duplicate;
        const char* name = nullptr;
        ForEachDescendant(*document, [&](const pugi::xml_node& node) {
            if (!duplicate && node.type() == pugi::node_element && (name = DuplicateAttribute(node))) duplicate = node;
        });
        if (duplicate) {
            Fail(std::string("Attribute '") + name + "' appears more than once in the element.", data, encoding,
                 duplicate.offset_debug() - 1);
            return false;
        }
        return true;
    }

    HRESULT Load(const std::string& data, pugi::xml_encoding encoding) {
        error = XmlParseError{};
        if (!document) return E_FAIL;
        const pugi::xml_parse_result result = document->load_buffer(data.data(), data.size(), kParseOptions, encoding);
        if (result.status == pugi::status_out_of_memory) throw std::bad_alloc();
        if (!result) {
            Fail(ReasonFor(result, data), data, result.encoding, result.offset);
            return S_FALSE;
        }
        return CheckDocument(data, result.encoding) ? S_OK : S_FALSE;
    }
};

XMLParse::XMLParse() : impl_(std::make_unique<Impl>()) {}

// Freeing the document cannot throw, so there is nothing to report here.
XMLParse::~XMLParse() = default;

HRESULT XMLParse::Create() {
    if (impl_->document) return S_OK;
    impl_->document.reset(new (std::nothrow) pugi::xml_document);
    return impl_->document ? S_OK : E_OUTOFMEMORY;
}

pugi::xml_document* XMLParse::GetDocument() { return impl_->document.get(); }

const XmlParseError& XMLParse::ParseError() const { return impl_->error; }

HRESULT XMLParse::LoadXMLFromBuffer(const std::string& text) {
    return Reported(kXmlLoadXMLFromBufferThrew,
                    [&] { return impl_->Load(text, pugi::encoding_utf8); });
}

HRESULT XMLParse::LoadXML(const std::string& path) {
    return Reported(kXmlLoadXMLThrew, [&]() -> HRESULT {
        impl_->error = XmlParseError{};
        if (!impl_->document) return E_FAIL;
        std::string data;
        if (const FileRead read = ReadRegularFile(path, data); read != FileRead::Ok) {
            impl_->document->reset();
            impl_->error.reason = read == FileRead::Missing ? "The system cannot locate the file specified."
                                                            : "The file could not be read.";
            return S_FALSE;
        }
        // The encoding comes from the byte order mark or the declaration, as for any XML file.
        return impl_->Load(data, pugi::encoding_auto);
    });
}

HRESULT XMLParse::SaveXML(const std::string& path) {
    return Reported(kXmlSaveXMLThrew, [&]() -> HRESULT {
        if (!impl_->document || path.empty()) return E_FAIL;
        // Saving through a link replaces the file it points to, not the link.
        std::string target = path;
        std::error_code ec;
        if (std::filesystem::is_symlink(path, ec)) {
            const auto resolved = std::filesystem::weakly_canonical(path, ec);
            if (!ec) target = resolved.string();
        }
        return WriteFileAtomically(target, DocumentXml()) ? S_OK : E_FAIL;
    });
}

std::vector<pugi::xml_node> XMLParse::ElementsByName(const std::string& name) const {
    if (!impl_->document) return {};
    return ElementsIn(*impl_->document, name.c_str());
}

std::vector<pugi::xml_node> XMLParse::ElementsIn(const pugi::xml_node& root, const char* name) {
    std::vector<pugi::xml_node> found;
    ForEachDescendant(root, [&](const pugi::xml_node& node) {
        if (node.type() == pugi::node_element && (!name || std::strcmp(node.name(), name) == 0)) found.push_back(node);
    });
    return found;
}

std::string XMLParse::DocumentXml() const {
    if (!impl_->document) return {};
    StringWriter writer;
    for (const pugi::xml_node& node : impl_->document->children()) {
        node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        writer.text += "\r\n";
    }
    return std::move(writer.text);
}

std::string XMLParse::NodeXml(const pugi::xml_node& node) {
    StringWriter writer;
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(writer.text);
}

std::string XMLParse::NodeText(const pugi::xml_node& node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return node.value();
    std::string text;
    ForEachDescendant(node, [&](const pugi::xml_node& n) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
    });
    return text;
}

}  // namespace lipsmith
