// Lipsmith_TTS: the speech engine server. With -RegServer or -UnregServer it
// writes or removes its registry entries and exits; otherwise (clients start
// it with -Embedding) it serves CTTS objects until it has been idle a while,
// or until SIGTERM or SIGINT, which end it at once.
//
// Started with -Embedding it lets go of its starter's standard streams and
// writes what it has to say to lipsmith-tts.log in the runtime folder.
//
// Environment (for tests; defaults in brackets):
//   LIPSMITH_RUNTIME_DIR            folder of the socket, lock file and log
//   LIPSMITH_REGISTRY               registry store file
//   LIPSMITH_TTS_IDLE_MS            idle time before shutting down [5000]
//   LIPSMITH_TTS_SHUTDOWN_PAUSE_MS  pause before the process exits after idling [1000]
//   LIPSMITH_TTS_NOTIFY_TIMEOUT_MS  wait for a client to handle a notification [30000]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "MessageBox.h"
#include "PocketListening.h"
#include "Registration.h"
#include "RuntimePaths.h"
#include "ServerLog.h"
#include "SpeechApi.h"
#include "TtsServer.h"

namespace {

lipsmith::tts::TtsServer* g_server = nullptr;
int g_stopWrite = -1;  // written by the signal handler, so a pause ends too

void OnTerminate(int) {
    if (g_server) g_server->RequestStop();
    if (g_stopWrite >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(g_stopWrite, &c, 1);
    }
}

// Waits `ms`, or less when SIGTERM or SIGINT comes.
void Pause(long ms, int stopRead) {
    pollfd p{stopRead, POLLIN, 0};
    while (::poll(&p, 1, static_cast<int>(ms)) < 0 && errno == EINTR) {
    }
}

bool StartedByClient(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if ((a[0] == '-' || a[0] == '/') && ::strcasecmp(a + 1, "Embedding") == 0) return true;
    }
    return false;
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
    if (StartedByClient(argc, argv)) tts::DetachStandardStreams(tts::LogPathIn(dir), nullptr);

    int stopPipe[2];
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        tts::LogLine(std::string("pipe: ") + std::strerror(errno));
        return 1;
    }
    const tts::TtsServerOptions options = [&] {
        tts::TtsServerOptions o = tts::ServerOptionsFromEnvironment(dir);
        o.log = tts::LogLine;
        return o;
    }();

    tts::TtsEngineDeps deps;
    deps.createVoice = [](std::unique_ptr<speech::ISpVoice>* voice) { return speech::CreateSpVoice(voice); };
    deps.createStream = [] { return speech::CreateSpStream(); };
    deps.showError = [](const std::string& text, const std::string& caption) {
        ShowMessage(text, caption, MB_OK | MB_ICONERROR);
    };
    // One decoder for the whole process, kept warm between runs.
    deps.listening = std::make_shared<tts::PocketListening>();

    tts::TtsServer server(options, std::move(deps));
    switch (server.Listen(error)) {
        case tts::TtsServer::ListenResult::AlreadyServed: return 0;  // another server is serving
        case tts::TtsServer::ListenResult::Failed:
            tts::LogLine(error);
            return 1;
        case tts::TtsServer::ListenResult::Listening: break;
    }
    g_server = &server;
    g_stopWrite = stopPipe[1];
    struct sigaction sa = {};
    sa.sa_handler = OnTerminate;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);

    const tts::TtsServer::EndReason reason = server.Run();
    server.Close();
    g_server = nullptr;
    // An idle server lingers a moment after letting go of its socket; one
    // asked to end does not.
    if (reason == tts::TtsServer::EndReason::Idle) Pause(options.shutdownPauseMs, stopPipe[0]);
    return reason == tts::TtsServer::EndReason::Failed ? 1 : 0;
}
