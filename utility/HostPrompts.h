// The plug-in's message boxes and file dialogs are the host's: a plug-in
// library keeps its own switch of the prompts in use, so this forwarder,
// installed at load, asks the host's prompts (Interface::GetUserPrompts) at
// every question, and answers as the command line does when the host lends
// none.
#pragma once
#include "MessageBox.h"

namespace lipsmith {

class HostPrompts : public UserPrompts {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;
};

}  // namespace lipsmith
