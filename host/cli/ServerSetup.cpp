#include "ServerSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Registration.h"
#include "Registry.h"
#include "TtsClient.h"

namespace lipsmith::cli {

namespace {

constexpr const char* kServerName = "Lipsmith_TTS";

void Say(const std::string& text) { std::fprintf(stderr, "lipsmith: %s\n", text.c_str()); }

}  // namespace

std::string ServerProgramProblem(const std::string& program) {
    if (program.empty()) return "is not registered";
    const std::string quoted = "'" + program + "'";
    struct stat st {};
    if (::stat(program.c_str(), &st) != 0) return quoted + " does not exist";
    if (S_ISDIR(st.st_mode)) return quoted + " is a folder, not a program";
    if (!S_ISREG(st.st_mode)) return quoted + " is not a program file";
    if (::access(program.c_str(), X_OK) != 0) return quoted + " cannot be run (" + std::strerror(errno) + ")";
    if (std::filesystem::path(program).filename() != kServerName) {
        return quoted + " is not the Lipsmith speech server (" + kServerName + ")";
    }
    return {};
}

HRESULT ConnectSpeechServer(std::unique_ptr<ITTS>* engine) {
    const std::string registered = tts::RegisteredServerProgram();
    const std::string beside =
        (std::filesystem::path(tts::CurrentProgramPath()).parent_path() / kServerName).string();
    bool repaired = false;
    // Registers the server beside this program, once; false when that cannot help.
    auto repair = [&](const std::string& why) {
        if (repaired || !ServerProgramProblem(beside).empty()) return false;
        if (FAILED(tts::RegisterServer(RegistryStore::Default(), beside))) {
            Say("cannot register the speech server '" + beside + "'");
            return false;
        }
        repaired = true;
        if (!why.empty()) Say(why + "; registered the speech server '" + beside + "' instead");
        return true;
    };

    if (registered.empty()) {
        repair("");  // a fresh installation: register it, as an installer would
    } else if (const std::string problem = ServerProgramProblem(registered); !problem.empty()) {
        if (registered == beside || !repair("the registered speech server " + problem)) {
            Say("the registered speech server " + problem);
        }
    }
    HRESULT hr = CreateCTTS(engine);
    if (FAILED(hr) && !repaired) {
        const std::string program = tts::RegisteredServerProgram();
        if (program != beside && repair("the registered speech server '" + program + "' did not answer")) {
            hr = CreateCTTS(engine);
        }
    }
    if (FAILED(hr)) {
        const std::string program = tts::RegisteredServerProgram();
        if (program.empty()) {
            Say("no speech server is registered, and there is none beside this program ('" + beside + "')");
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
            Say("the speech server '" + program + "' could not be started or did not answer (error " + code + ")");
        }
    }
    return hr;
}

}  // namespace lipsmith::cli
