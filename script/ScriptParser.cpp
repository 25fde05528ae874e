// The script parser: checks the script with the XML document, repairs or
// reports what it can, and hands each actor's text to the speaker.
#include <cstring>
#include <new>

#include "CNumbers.h"
#include "FacialCues.h"
#include "MessageBox.h"
#include "ScriptDlg.h"
#include "ScriptDocumentText.h"
#include "ScriptMessages.h"
#include "XMLParse.h"

namespace lipsmith {

namespace {

const std::size_t kDeclarationLength = std::strlen(msg::kXmlDeclaration);

// Removes an element with everything inside it. The library removes a
// subtree recursively, so deep content is taken away leaf by leaf first.
void RemoveElement(pugi::xml_node element) {
    pugi::xml_node node = element;
    while (node != element || node.first_child()) {
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            continue;
        }
        pugi::xml_node parent = node.parent();
        parent.remove_child(node);
        node = parent;
    }
    element.parent().remove_child(element);
}

}  // namespace

HRESULT ScriptDlg::ParseScript(const std::string& script, int wavePass) {
    // The document lives only during one parse, whichever way it ends.
    struct EndOfParse {
        ScriptDlg& dlg;
        ~EndOfParse() {
            dlg.parseDocument_.reset();
            dlg.parseTextLength_ = 0;
            std::string().swap(dlg.loadedText_);
            dlg.loadedBom_ = false;
        }
    } endOfParse{*this};
    try {
        return ParseScriptSteps(script, wavePass);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        // The document wrapper has already told the user.
        return E_FAIL;
    }
}

HRESULT ScriptDlg::ParseScriptSteps(const std::string& script, int wavePass) {
    // Every "&" is an ordinary character of the spoken text. The dialog keeps
    // its own copy of the loaded text for the rows of later messages.
    const bool bom = StartsWithBom(script);
    loadedText_ = EscapeAmpersands(bom ? script.substr(kUtf8Bom.size()) : script);
    const std::string& text = loadedText_;
    loadedBom_ = bom;

    if (!parseDocument_) {
        auto document = std::make_unique<XMLParse>();
        const HRESULT hr = document->Create();
        if (hr != S_OK) return hr;
        parseDocument_ = std::move(document);
    }
    XMLParse& document = *parseDocument_;

    const HRESULT loaded = document.LoadXMLFromBuffer(msg::kXmlDeclaration + text);
    if (loaded != S_OK) {
        if (text.find("<_ANIM_") != std::string::npos) {
            ReportXmlError(document);
            return loaded;
        }
        // Without the wrapper the text is first made a script at all.
        const HRESULT hr = CheckAnimTag(document);
        if (hr != S_OK) return hr;
        ReportXmlError(document);
        return loaded;
    }

    if (const HRESULT hr = CheckAnimTag(document); hr != S_OK) return hr;
    if (const HRESULT hr = ConvertEyesTags(document); hr != S_OK) return hr;
    if (const HRESULT hr = ConvertBrowTags(document); hr != S_OK) return hr;

    const std::vector<pugi::xml_node> actors = document.ElementsByName("actor");
    for (std::size_t i = 0; i < actors.size(); ++i) {
        const HRESULT hr = CheckActorNesting(actors[i]);
        if (hr == S_OK) continue;
        if (hr != E_FAIL) return hr;
        // Actors before i hold no actor, so the nested tag is "<actor" number i + 1.
        std::size_t pos = std::string::npos;
        for (std::size_t k = 0, from = 0; k <= i + 1; ++k) {
            pos = text.find("<actor", from);
            if (pos == std::string::npos) break;
            from = pos + 1;
        }
        const std::size_t row = pos == std::string::npos ? 0 : LineOfOffset(text, pos);
        script_.SelectLine(row);
        AppendParserOutput(CFormat(msg::kActorNested, static_cast<int>(row)), OutputKind::Error);
        return E_FAIL;
    }

    bool repaired = false;
    for (pugi::xml_node actor : actors) {
        if (actor.attribute("node")) continue;
        pugi::xml_attribute node = actor.append_attribute("node");
        if (!node || !node.set_value("_unknown_")) return E_OUTOFMEMORY;
        AppendParserOutput(msg::kActorNodeMissing, OutputKind::Error);
        repaired = true;
    }
    if (repaired) {
        // The repaired document goes back into the editor, cues converted.
        const std::string xml =
            RemoveAll(document.DocumentXml(), std::string(msg::kXmlDeclaration) + "\r\n");
        SetColoredScript((bom ? std::string(kUtf8Bom) : std::string()) + ScriptTextFromDocumentXml(xml), true);
        ShowMessage(msg::kRepairedBox, msg::kRepairedCaption, MB_OK | MB_ICONINFORMATION);
        return S_FALSE;
    }

    if (actors.empty()) {
        AppendParserOutput(msg::kNoActors, OutputKind::Error);
        return S_FALSE;
    }

    if (pugi::xml_document* doc = document.GetDocument()) parseTextLength_ = TextContentLength(*doc);
    for (std::size_t i = 0; i < actors.size() && isParsing; ++i) {
        currentActorNode = actors[i].attribute("node").value();
        const std::string speech = ActorEngineText(XMLParse::NodeXml(actors[i]));
        if (!speaker_) return E_FAIL;
        if (const HRESULT hr = speaker_->SpeakActor(speech, wavePass); hr != S_OK) return hr;
    }
    return S_OK;
}

HRESULT ScriptDlg::CheckAnimTag(XMLParse& document) {
    const std::size_t wrappers = document.ElementsByName("_ANIM_").size();
    if (wrappers == 0) {
        AppendParserOutput(msg::kAnimMissing, OutputKind::Error);
        // After a byte order mark, which stays first.
        const std::size_t start = StartsWithBom(script_.Text()) ? kUtf8Bom.size() : 0;
        script_.SetSelection(start, start);
        InsertColoredText(msg::kAnimOpenInsert, false);
        script_.MoveCaretToEnd();
        InsertColoredText(msg::kAnimCloseInsert, false);
        return S_FALSE;
    }
    if (wrappers > 1) {
        AppendParserOutput(msg::kAnimRepeated, OutputKind::Error);
        return E_FAIL;
    }
    pugi::xml_document* doc = document.GetDocument();
    if (!doc) return E_FAIL;
    pugi::xml_node top = doc->first_child();
    if (top.type() == pugi::node_declaration) top = top.next_sibling();
    if (!top) return S_FALSE;
    if (top.type() != pugi::node_element || std::strcmp(top.name(), "_ANIM_") != 0) {
        AppendParserOutput(msg::kAnimNotTop, OutputKind::Error);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ScriptDlg::ReportXmlError(XMLParse& document) {
    const XmlParseError& error = document.ParseError();
    const long row = error.line - 1;
    // The skipped byte order mark is a character of the editor's first row.
    const long col = error.linePos - 1 + (row == 0 && loadedBom_ ? 1 : 0);
    AppendParserOutput(CFormat(msg::kXmlError, row, col, error.reason.c_str()), OutputKind::Plain);
    SetPositionField(row, col);
    if (row >= 0) script_.SelectLine(static_cast<std::size_t>(row));
    return S_OK;
}

HRESULT ScriptDlg::CheckActorNesting(const pugi::xml_node& actor) {
    XMLParse fragment;
    if (const HRESULT hr = fragment.Create(); hr != S_OK) return hr;
    if (const HRESULT hr = fragment.LoadXMLFromBuffer(XMLParse::NodeXml(actor)); hr != S_OK) return hr;
    return fragment.ElementsByName("actor").size() < 2 ? S_OK : E_FAIL;
}

long ScriptDlg::RowOfNode(const pugi::xml_node& node) const {
    const std::ptrdiff_t offset = node.offset_debug();
    if (offset < static_cast<std::ptrdiff_t>(kDeclarationLength)) return -1;
    const std::size_t at = static_cast<std::size_t>(offset) - kDeclarationLength;
    if (at > loadedText_.size()) return -1;
    return static_cast<long>(LineOfOffset(loadedText_, at));
}

template <class ReadAndFormat>
HRESULT ScriptDlg::ConvertCues(XMLParse& document, const char* name, ReadAndFormat readAndFormat) {
    pugi::xml_document* doc = document.GetDocument();
    if (!doc) return E_FAIL;
    const CueReport report = [this](const std::string& text, OutputKind kind) {
        AppendParserOutput(text, kind);
    };
    // Document order, without recursion (scripts may nest deeply); a replaced
    // element's content goes with it, so the walk does not enter it.
    const pugi::xml_node root = *doc;
    pugi::xml_node node = root.first_child();
    while (node) {
        bool enter = true;
        if (node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0) {
            const std::string mark = readAndFormat(node, reportWarnings, report);
            if (mark.size() > kMaxMarkLength) {
                const long row = RowOfNode(node);
                const std::string where = row >= 0 ? CFormat(" (row %ld)", row) : std::string();
                AppendParserOutput(CFormat(msg::kCueTooLong, where.c_str(), name, static_cast<int>(mark.size())),
                                   OutputKind::Error);
            } else {
                pugi::xml_node parent = node.parent();
                pugi::xml_node bookmark = parent.insert_child_before(pugi::node_element, node);
                if (!bookmark || !bookmark.set_name("bookmark")) return E_OUTOFMEMORY;
                pugi::xml_attribute markAttribute = bookmark.append_attribute("mark");
                if (!markAttribute || !markAttribute.set_value(mark.c_str())) return E_OUTOFMEMORY;
                RemoveElement(node);
                node = bookmark;
                enter = false;
            }
        }
        if (enter && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling()) node = node.parent();
        if (node == root) break;
        node = node.next_sibling();
    }
    return S_OK;
}

HRESULT ScriptDlg::ConvertEyesTags(XMLParse& document) {
    return ConvertCues(document, "eyes", [](const pugi::xml_node& e, bool warn, const CueReport& report) {
        return FormatEyesMark(ReadEyesCue(e, warn, report));
    });
}

HRESULT ScriptDlg::ConvertBrowTags(XMLParse& document) {
    return ConvertCues(document, "brow", [](const pugi::xml_node& e, bool warn, const CueReport& report) {
        return FormatBrowMark(ReadBrowCue(e, warn, report));
    });
}

}  // namespace lipsmith
