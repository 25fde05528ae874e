// "Phoneme Mapping": opens the phoneme map editor for the script editor's
// active map, modal, owned by `owner`. What the editor changes there is what
// the next run of the script uses.
#pragma once

class QWidget;

namespace lipsmith {

class ScriptEditor;

void OpenPhonemeMapEditor(QWidget* owner, ScriptEditor& editor);

}  // namespace lipsmith
