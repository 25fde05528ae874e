#include "ActivePhonemeMap.h"

#include "CNumbers.h"
#include "MessageBox.h"
#include "PhonemeMapFile.h"
#include "Settings.h"

namespace lipsmith {

HRESULT FillActivePhonemeMap(PhonemeMap& map, RegistryStore& store) {
    RegKey settings;
    if (settings.Create(kSettingsHive, kSettingsKey, store) != ERROR_SUCCESS) {
        ShowMessage(kMsgSettingsKeyFailed, kDefaultCaption, MB_OK | MB_ICONERROR);
        return E_FAIL;
    }
    std::string mapFile;
    HRESULT hr;
    // An empty name means no file, as everywhere else.
    if (settings.QueryString(kMapFileValue, mapFile) == ERROR_SUCCESS && !mapFile.empty()) {
        hr = LoadPhonemeMap(map, mapFile);
        if (hr != S_OK) {
            ShowMessage(CFormat(kMsgMapFileReverting, mapFile.c_str()), kDefaultCaption, MB_OK | MB_ICONWARNING);
            hr = LoadPhonemeMap(map);
        }
    } else {
        hr = LoadPhonemeMap(map);
    }
    if (hr != S_OK) {
        ShowMessage(kMsgNoPhonemeTable, kDefaultCaption, MB_OK | MB_ICONERROR);
        return FAILED(hr) ? hr : E_FAIL;
    }
    return S_OK;
}

}  // namespace lipsmith
