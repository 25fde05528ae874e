#include "PhonemeMapFile.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <memory>
#include <new>

#include "BuiltInPhonemeMap.h"
#include "CNumbers.h"
#include "MessageBox.h"
#include "XMLParse.h"

namespace lipsmith {

namespace {

// Fills the entry named by one PHONEME element. Returns S_OK, or a failure
// (with its reason in `problem`) after which the load stops. `filled` is set
// when the element filled its entry.
HRESULT ReadPhonemeElement(const pugi::xml_node& element, PhonemeMap& map, std::string& problem, int& filled) {
    filled = 0;
    const pugi::xml_attribute idAttribute = element.attribute("id");
    const pugi::xml_attribute phonemeAttribute = element.attribute("phoneme");
    if (!idAttribute || !phonemeAttribute) {
        problem = "a PHONEME element lacks its 'id' or 'phoneme' attribute";
        return E_FAIL;
    }
    const int id = CAtoi(idAttribute.value());
    // The map has exactly 49 entries; any other id ends the load.
    if (!IsPhonemeId(id)) {
        problem = "a PHONEME element has the id '" + std::string(idAttribute.value()) + "', outside 1 to 49";
        return E_FAIL;
    }
    if (!element.first_child()) return S_OK;  // no content: the entry keeps its values

    PhonemeEntry& entry = map[static_cast<std::size_t>(id - 1)];
    entry.name = phonemeAttribute.value();
    entry.id = id;
    for (const MouthParameterInfo& info : kMouthParameters) {
        const pugi::xml_node value = element.child(info.element);
        if (!value) {
            ShowMessage(kMsgMappingError, kDefaultCaption, MB_OK | MB_ICONERROR);
            problem = "the PHONEME element with id " + std::to_string(id) + " has no " + info.element + " element";
            return E_FAIL;
        }
        const double number = CAtof(XMLParse::NodeText(value));
        // A number beyond the float range (1e39, 1e999) would turn every key
        // of the phoneme into infinity: the file is refused, not saturated.
        if (!(std::fabs(number) <= FLT_MAX)) {
            problem = std::string("the ") + info.element + " value of the PHONEME element with id " +
                      std::to_string(id) + " is not a usable number";
            return E_FAIL;
        }
        entry[info.parameter] = static_cast<float>(number);
    }
    filled = id;
    return S_OK;
}

HRESULT CreateDocument(std::unique_ptr<XMLParse>& document) {
    document.reset(new (std::nothrow) XMLParse);
    if (!document) return E_OUTOFMEMORY;
    const HRESULT hr = document->Create();
    if (hr == E_OUTOFMEMORY) return hr;
    if (FAILED(hr)) ShowMessage(kMsgXmlParserMissing, kDefaultCaption, MB_OK | MB_ICONERROR);
    return hr;
}

}  // namespace

PhonemeMapLoad LoadPhonemeMapReport(PhonemeMap& map, const std::optional<std::string>& path) {
    PhonemeMapLoad result;
    std::unique_ptr<XMLParse> document;
    if (const HRESULT hr = CreateDocument(document); FAILED(hr)) {
        result.status = hr;
        result.problem = "the XML parser could not be created";
        return result;
    }
    const HRESULT loaded = path ? document->LoadXML(*path)
                                : document->LoadXMLFromBuffer(std::string(BuiltInPhonemeMapText()));
    if (loaded != S_OK) {
        const XmlParseError& error = document->ParseError();
        result.status = loaded;
        result.problem = error.reason.empty() ? "it is not a phoneme map" : error.reason;
        // A file that was read but is not well-formed: say where.
        if (error.line > 0) result.problem += CFormat(" (line %ld, column %ld)", error.line, error.linePos);
        while (!result.problem.empty() && (result.problem.back() == '.' || result.problem.back() == '\n')) {
            result.problem.pop_back();
        }
        return result;
    }
    std::array<bool, kPhonemeCount> seen{};
    const std::vector<pugi::xml_node> elements = document->ElementsByName("PHONEME");
    result.phonemeElements = elements.size();
    for (const pugi::xml_node& element : elements) {
        int filled = 0;
        if (const HRESULT hr = ReadPhonemeElement(element, map, result.problem, filled); hr != S_OK) {
            result.status = hr;
            return result;
        }
        if (filled == 0) continue;
        // A later element with the same id overwrites the earlier one.
        if (seen[static_cast<std::size_t>(filled - 1)] &&
            std::find(result.duplicateIds.begin(), result.duplicateIds.end(), filled) == result.duplicateIds.end()) {
            result.duplicateIds.push_back(filled);
        }
        seen[static_cast<std::size_t>(filled - 1)] = true;
    }
    return result;
}

HRESULT LoadPhonemeMap(PhonemeMap& map, const std::optional<std::string>& path) {
    return LoadPhonemeMapReport(map, path).status;
}

HRESULT SavePhonemeMap(const PhonemeMap& map, const std::string& path) {
    std::unique_ptr<XMLParse> document;
    if (const HRESULT hr = CreateDocument(document); FAILED(hr)) return hr;
    pugi::xml_document& doc = *document->GetDocument();
    if (!doc.append_child(pugi::node_comment).set_value(kMapFileComment)) return E_FAIL;
    pugi::xml_node mappings = doc.append_child("MAPPINGS");
    if (!mappings) return E_FAIL;
    for (const PhonemeEntry& entry : map) {
        pugi::xml_node phoneme = mappings.append_child("PHONEME");
        if (!phoneme || !phoneme.append_attribute("phoneme").set_value(entry.name.c_str()) ||
            !phoneme.append_attribute("id").set_value(std::to_string(entry.id).c_str()))
            return E_FAIL;
        for (MouthParameter p : kMouthParameterFileOrder) {
            pugi::xml_node value = phoneme.append_child(InfoOf(p).element);
            if (!value || !value.append_child(pugi::node_pcdata).set_value(FormatOneDecimal(entry[p]).c_str()))
                return E_FAIL;
        }
    }
    return document->SaveXML(path);
}

}  // namespace lipsmith
