#include "PhraseListener.h"

#include "MessageBox.h"

namespace lipsmith {

HRESULT PhraseListenerRun(SpeechSession&, const PhraseListenerInput&) {
    ShowMessage(kListenerNotAvailable, kDefaultCaption, MB_OK | MB_ICONINFORMATION);
    return E_NOTIMPL;
}

}  // namespace lipsmith
