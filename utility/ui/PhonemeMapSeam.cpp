#include "PhonemeMapSeam.h"

#include "MessageBox.h"

namespace lipsmith {

void OpenPhonemeMapEditor(QWidget*, ScriptEditor&) {
    ShowMessage(kMapEditorNotAvailable, kDefaultCaption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace lipsmith
