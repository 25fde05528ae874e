#include "SceneDocument.h"

#include "MessageBox.h"
#include "SceneFile.h"

namespace lipsmith::studio {
namespace {

const char* const kSceneFilter = "Lipsmith Scenes (*.lsc)|*.lsc||";

FileDialogRequest SceneDialog(bool save) {
    FileDialogRequest r;
    r.save = save;
    r.filter = kSceneFilter;
    r.defaultExtension = "lsc";
    r.initialName = "*.lsc";
    r.overwritePrompt = save;
    r.hideReadOnly = true;
    return r;
}

}  // namespace

bool SceneDocument::Modified() const { return GetSaveRequiredFlag() != FALSE; }

std::string SceneDocument::DisplayName() const {
    const std::string path = Path();
    if (path.empty()) return "Untitled";
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SceneDocument::Title() const {
    return DisplayName() + (Modified() ? "*" : "") + " - Lipsmith Studio";
}

bool SceneDocument::ConfirmDiscard() {
    if (!Modified()) return true;
    const int answer =
        ShowMessage("Save changes to " + DisplayName() + "?", kDefaultCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) return Save();
    return true;
}

bool SceneDocument::New() {
    if (!ConfirmDiscard()) return false;
    ip_.ResetScene();
    SetSaveRequiredFlag(FALSE);
    return true;
}

bool SceneDocument::OpenWithDialog() {
    if (!ConfirmDiscard()) return false;
    const std::optional<std::string> path = Prompts().FileDialog(SceneDialog(false));
    return path && Open(*path);
}

bool SceneDocument::Open(const std::string& path) {
    std::string error;
    if (!LoadScene(ip_, path, &error)) {
        ShowMessage(error, kDefaultCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

bool SceneDocument::Save() {
    const std::string path = Path();
    return path.empty() ? SaveAs() : SaveTo(path);
}

bool SceneDocument::SaveAs() {
    const std::optional<std::string> path = Prompts().FileDialog(SceneDialog(true));
    return path && SaveTo(*path);
}

bool SceneDocument::SaveTo(const std::string& path) {
    std::string error;
    if (!SaveScene(ip_, path, &error)) {
        ShowMessage(error, kDefaultCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

}  // namespace lipsmith::studio
