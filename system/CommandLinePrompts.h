// The prompts of a run without windows: every message box becomes one line on
// standard error ("Lipsmith: TEXT", or "CAPTION: TEXT" for another caption)
// and is answered at once with the answer that loses nothing in a batch run:
//
//   MB_OK          -> IDOK
//   MB_OKCANCEL    -> IDCANCEL
//   MB_YESNO       -> IDNO
//   MB_YESNOCANCEL -> IDCANCEL
//
// File dialogs are cancelled (no file chosen) without output.
#pragma once
#include <cstdio>
#include <mutex>

#include "MessageBox.h"

namespace lipsmith {

// The command-line answer to a message box of the given type.
int DefaultAnswer(unsigned type);

// The line written for a message box, without the line break.
std::string MessageLine(const std::string& text, const std::string& caption);

class CommandLinePrompts : public UserPrompts {
public:
    explicit CommandLinePrompts(std::FILE* out = stderr) : out_(out) {}
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;

private:
    std::FILE* out_;
    std::mutex mutex_;
};

}  // namespace lipsmith
