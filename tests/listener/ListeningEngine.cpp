#include "ListeningEngine.h"

#include "Utf8.h"

namespace lipsmith::testing {

HRESULT ListeningEngine::SetNotifyHWND(std::int64_t hwnd) {
    window_ = static_cast<HWND>(static_cast<std::uint64_t>(hwnd) & 0xFFFFFFFFu);
    return S_OK;
}

HRESULT ListeningEngine::SpeechReco(const std::string& grammar) {
    grammars.push_back(grammar);
    if (FAILED(recoResult)) return recoResult;
    listening_ = true;
    auto post = [&](UINT message, WPARAM w, LPARAM l, std::shared_ptr<MessageExtra> extra) {
        ++*outstanding_;
        extra->completion = [left = outstanding_](LRESULT) { --*left; };
        PostMessage(window_, message, w, l, std::move(extra));
    };
    if (box) {
        auto extra = std::make_shared<MessageExtra>();
        extra->text = Utf8ToWide(box->caption) + kMessageBoxSeparator + Utf8ToWide(box->text);
        const auto text = reinterpret_cast<LPARAM>(extra->text.c_str());
        post(kMsgServerMessageBox, box->type, text, std::move(extra));
    }
    if (!hears) return S_OK;
    if (writesFile) WriteWaveFile(phrasePath, phrase);
    for (const ScriptedEvent& e : phonemes) post(e.message, e.wParam, e.lParam, std::make_shared<MessageExtra>());
    return S_OK;
}

HRESULT ListeningEngine::IsDone() {
    if (!listening_ || !hears || *outstanding_ > 0) return S_FALSE;
    return S_OK;
}

}  // namespace lipsmith::testing
