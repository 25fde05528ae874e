// Message boxes and file dialogs of the studio: the project's prompts
// answered with Qt dialogs over the studio's windows.
#pragma once
#include <QString>
#include <QWidget>

#include "MessageBox.h"

namespace lipsmith::studio {

class QtPrompts : public UserPrompts {
public:
    // Dialogs are owned by the active window, else by fallbackParent.
    explicit QtPrompts(QWidget* fallbackParent) : fallback_(fallbackParent) {}
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;

    // "Wave Files (*.wav)|*.wav||" as a Qt name filter list ("Wave Files (*.wav)").
    static QString QtFilter(const std::string& filter);
    // The suffix a file name gets when the user types none: the filter's
    // first extension, else the default extension.
    static QString DefaultSuffix(const FileDialogRequest& request);

private:
    QWidget* Parent() const;
    QWidget* fallback_;
};

}  // namespace lipsmith::studio
