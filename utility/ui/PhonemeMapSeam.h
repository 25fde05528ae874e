// "Phoneme Mapping": opens the phoneme map editor for the script editor's
// active map, modal, owned by `owner`. The map editor is not built yet; for
// now this only says so.
#pragma once

class QWidget;

namespace lipsmith {

class ScriptEditor;

inline constexpr const char* kMapEditorNotAvailable = "The phoneme map editor is not available yet.";

void OpenPhonemeMapEditor(QWidget* owner, ScriptEditor& editor);

}  // namespace lipsmith
