// The scene as a document: new, open, save and save as, with the question
// about unsaved changes. Messages and file dialogs go through the prompts
// (platform/MessageBox.h), so the studio answers them with windows and tests
// from a script.
#pragma once
#include <string>

#include "Interface.h"

namespace lipsmith::studio {

class SceneDocument {
public:
    explicit SceneDocument(Interface& ip) : ip_(ip) {}

    // Empties the scene, after the question about unsaved changes. False
    // when the user cancelled.
    bool New();
    // Asks for a scene file and opens it (after the question about unsaved changes).
    bool OpenWithDialog();
    // Opens path in place of the scene. A file the loader refuses (missing,
    // damaged, needing a plug-in that is not loaded) shows the loader's
    // message and leaves the current scene as it was.
    bool Open(const std::string& path);
    // Saves to the scene's file, or asks for one when it has none.
    bool Save();
    bool SaveAs();
    // Saves to path through a temporary file; on failure shows why.
    bool SaveTo(const std::string& path);
    // With unsaved changes asks "Save changes to NAME?": Yes saves, No
    // drops them, Cancel answers false.
    bool ConfirmDiscard();

    std::string Path() const { return ip_.GetCurFilePath(); }
    bool Modified() const;
    // "NAME - Lipsmith Studio", with a star after NAME when modified.
    std::string Title() const;

private:
    std::string DisplayName() const;
    Interface& ip_;
};

}  // namespace lipsmith::studio
