#include <atomic>

#include "CommandLinePrompts.h"
#include "MessageBox.h"

namespace lipsmith {

namespace {

constexpr unsigned kButtonMask = 0xF;

CommandLinePrompts& CommandLine() {
    static CommandLinePrompts* prompts = new CommandLinePrompts;  // used until the process ends
    return *prompts;
}

std::atomic<UserPrompts*> installed{nullptr};

}  // namespace

int DefaultAnswer(unsigned type) {
    switch (type & kButtonMask) {
        case MB_OKCANCEL:
        case MB_YESNOCANCEL:
            return IDCANCEL;
        case MB_YESNO:
            return IDNO;
        default:
            return IDOK;
    }
}

std::string MessageLine(const std::string& text, const std::string& caption) {
    return (caption.empty() ? std::string(kDefaultCaption) : caption) + ": " + text;
}

int CommandLinePrompts::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
    const std::string line = MessageLine(text, caption) + "\n";
    std::lock_guard guard(mutex_);
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
    return DefaultAnswer(type);
}

std::optional<std::string> CommandLinePrompts::FileDialog(const FileDialogRequest&) { return std::nullopt; }

UserPrompts& Prompts() {
    UserPrompts* current = installed.load();
    return current ? *current : CommandLine();
}

void SetPrompts(UserPrompts* prompts) { installed.store(prompts); }

int ShowMessage(const std::string& text, const std::string& caption, unsigned type) {
    return Prompts().MessageBox(text, caption, type);
}

}  // namespace lipsmith
