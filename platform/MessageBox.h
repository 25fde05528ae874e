// Message boxes and file dialogs. Every question the system asks the user goes
// through the current UserPrompts, so the desktop host answers with windows,
// the command line on the terminal, and tests from a script.
#pragma once
#include <optional>
#include <string>

namespace lipsmith {

// Buttons (low nibble) and icons, with the values of the message boxes they stand for.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;  // also the exclamation icon
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The caption used when a message names none.
inline constexpr const char* kDefaultCaption = "Lipsmith";

struct FileDialogRequest {
    bool save = false;             // save dialog, else open dialog
    std::string filter;            // "Wave Files (*.wav)|*.wav||"
    std::string defaultExtension;  // "Wave", "XML", "TXT"
    std::string initialName;       // "*.wav"
    bool overwritePrompt = false;  // save: ask before replacing a file
    bool hideReadOnly = false;     // open: no read-only box
};

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // type: one button set | one icon. Returns IDOK, IDCANCEL, IDYES or IDNO.
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned type) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> FileDialog(const FileDialogRequest& request) = 0;
};

// The prompts in use by this process. Until a host installs its own, the
// command-line prompts answer.
UserPrompts& Prompts();
// Installs prompts (not owned); nullptr restores the command-line prompts.
void SetPrompts(UserPrompts* prompts);

// Shorthand for Prompts().MessageBox(...).
int ShowMessage(const std::string& text, const std::string& caption = kDefaultCaption,
                unsigned type = MB_OK);

}  // namespace lipsmith
