#include "PhonemeMapSeam.h"

#include "PhonemeSlg.h"
#include "PhonemeSlgWindow.h"
#include "ScriptEditor.h"

namespace lipsmith {

void OpenPhonemeMapEditor(QWidget* owner, ScriptEditor& editor) {
    PhonemeSlg model(editor.Session().ActiveMap());
    PhonemeSlgWindow window(model, owner);
    model.Open();
    window.exec();
}

}  // namespace lipsmith
