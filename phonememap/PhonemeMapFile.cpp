#include "PhonemeMapFile.h"

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
// after which the load stops.
HRESULT ReadPhonemeElement(const pugi::xml_node& element, PhonemeMap& map) {
    const pugi::xml_attribute idAttribute = element.attribute("id");
    const pugi::xml_attribute phonemeAttribute = element.attribute("phoneme");
    if (!idAttribute || !phonemeAttribute) return E_FAIL;
    const int id = CAtoi(idAttribute.value());
    // The map has exactly 49 entries; any other id ends the load.
    if (!IsPhonemeId(id)) return E_FAIL;
    if (!element.first_child()) return S_OK;  // no content: the entry keeps its values

    PhonemeEntry& entry = map[static_cast<std::size_t>(id - 1)];
    entry.name = phonemeAttribute.value();
    entry.id = id;
    for (const MouthParameterInfo& info : kMouthParameters) {
        const pugi::xml_node value = element.child(info.element);
        if (!value) {
            ShowMessage(kMsgMappingError, kDefaultCaption, MB_OK | MB_ICONERROR);
            return E_FAIL;
        }
        const float number = static_cast<float>(CAtof(XMLParse::NodeText(value)));
        // Infinity or NaN would turn every key of the phoneme into garbage.
        if (!std::isfinite(number)) return E_FAIL;
        entry[info.parameter] = number;
    }
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

HRESULT LoadPhonemeMap(PhonemeMap& map, const std::optional<std::string>& path) {
    std::unique_ptr<XMLParse> document;
    if (const HRESULT hr = CreateDocument(document); FAILED(hr)) return hr;
    const HRESULT loaded = path ? document->LoadXML(*path)
                                : document->LoadXMLFromBuffer(std::string(BuiltInPhonemeMapText()));
    if (loaded != S_OK) return loaded;
    for (const pugi::xml_node& element : document->ElementsByName("PHONEME")) {
        if (const HRESULT hr = ReadPhonemeElement(element, map); hr != S_OK) return hr;
    }
    return S_OK;
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
