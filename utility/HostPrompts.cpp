#include "HostPrompts.h"

#include "CommandLinePrompts.h"
#include "Interface.h"

namespace lipsmith {

namespace {

UserPrompts& Answering() {
    if (UserPrompts* host = GetCOREInterface()->GetUserPrompts()) return *host;
    static CommandLinePrompts* commandLine = new CommandLinePrompts;  // kept to the end of the process
    return *commandLine;
}

}  // namespace

int HostPrompts::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
    return Answering().MessageBox(text, caption, type);
}

std::optional<std::string> HostPrompts::FileDialog(const FileDialogRequest& request) {
    return Answering().FileDialog(request);
}

}  // namespace lipsmith
