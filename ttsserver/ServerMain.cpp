// Lipsmith_TTS: the speech engine server. With -RegServer or -UnregServer it
// writes or removes its registry entries and exits; otherwise (clients start
// it with -Embedding) it serves CTTS objects until it has been idle a while.
//
// Environment (for tests; defaults in brackets):
//   LIPSMITH_RUNTIME_DIR            folder of the socket and lock file
//   LIPSMITH_REGISTRY               registry store file
//   LIPSMITH_TTS_IDLE_MS            idle time before shutting down [5000]
//   LIPSMITH_TTS_SHUTDOWN_PAUSE_MS  pause before the process exits [1000]
//   LIPSMITH_TTS_NOTIFY_TIMEOUT_MS  wait for a client to handle a notification [30000]
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "MessageBox.h"
#include "Registration.h"
#include "RuntimePaths.h"
#include "SpeechApi.h"
#include "TtsServer.h"

namespace {

lipsmith::tts::TtsServer* g_server = nullptr;

void OnTerminate(int) {
    if (g_server) g_server->RequestStop();
}

int Registration(lipsmith::tts::ServerCommand command) {
    using namespace lipsmith;
    RegistryStore& store = RegistryStore::Default();
    if (store.LoadProblem()) {
        // Writing now would replace the unreadable file and lose what it holds.
        std::fprintf(stderr, "Lipsmith_TTS: the registry store '%s' cannot be read: %s\n", store.FilePath().c_str(),
                     store.LoadProblem()->c_str());
        return 1;
    }
    const bool reg = command == tts::ServerCommand::RegServer;
    const HRESULT hr = reg ? tts::RegisterServer(store, tts::CurrentProgramPath()) : tts::UnregisterServer(store);
    if (FAILED(hr)) {
        std::fprintf(stderr, "Lipsmith_TTS: %s failed (0x%08X) in '%s'\n", reg ? "registration" : "unregistration",
                     static_cast<unsigned>(hr), store.FilePath().c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lipsmith;
    ::signal(SIGPIPE, SIG_IGN);

    const tts::ServerCommand command = tts::ParseCommandLine(argc, argv);
    if (command != tts::ServerCommand::Run) return Registration(command);

    std::string error;
    const std::string dir = tts::RuntimeDirectory(&error);
    if (dir.empty()) {
        std::fprintf(stderr, "Lipsmith_TTS: %s\n", error.c_str());
        return 1;
    }
    tts::TtsServerOptions options;
    options.runtimeDir = dir;
    options.idleMs = tts::EnvMilliseconds("LIPSMITH_TTS_IDLE_MS", 5000);
    options.notifyTimeoutMs = tts::EnvMilliseconds("LIPSMITH_TTS_NOTIFY_TIMEOUT_MS", 30000);
    const long pauseMs = tts::EnvMilliseconds("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", 1000);

    tts::TtsEngineDeps deps;
    deps.createVoice = [](std::unique_ptr<speech::ISpVoice>* voice) { return speech::CreateSpVoice(voice); };
    deps.createStream = [] { return speech::CreateSpStream(); };
    deps.showError = [](const std::string& text, const std::string& caption) {
        ShowMessage(text, caption, MB_OK | MB_ICONERROR);
    };

    tts::TtsServer server(options, std::move(deps));
    switch (server.Listen(error)) {
        case tts::TtsServer::ListenResult::AlreadyServed: return 0;  // another server is serving
        case tts::TtsServer::ListenResult::Failed:
            std::fprintf(stderr, "Lipsmith_TTS: %s\n", error.c_str());
            return 1;
        case tts::TtsServer::ListenResult::Listening: break;
    }
    g_server = &server;
    struct sigaction sa = {};
    sa.sa_handler = OnTerminate;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);

    server.Run();
    server.Close();
    g_server = nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    return 0;
}
