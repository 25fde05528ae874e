// The client side of CTTS: a proxy that carries each ITTS call to the
// Lipsmith_TTS process and waits for its answer, and a reader thread that
// receives the server's notifications and queues them for the notify window.
// Each notification is answered only once the window's thread has dispatched
// it, so the server's worker waits for the client's handling, and windows see
// the engine's events in order. A thread waiting in a call still handles a
// notification queued for one of its own windows, as a window thread blocked
// in a cross-process call does; otherwise a call made while the server waits
// for that very window would wait forever.
//
// Environment (defaults in brackets):
//   LIPSMITH_RUNTIME_DIR            folder of the server's socket
//   LIPSMITH_TTS_START_TIMEOUT_MS   wait for a started server to listen [10000]
//   LIPSMITH_TTS_CALL_TIMEOUT_MS    last-resort limit of one call [300000]
#pragma once
#include <memory>
#include <string>

#include "ITTS.h"

namespace lipsmith::tts {

// A call that got no answer within the call time limit.
inline constexpr HRESULT RPC_E_TIMEOUT = static_cast<HRESULT>(0x8001011Fu);

struct ClientOptions {
    std::string runtimeDir;  // empty: the user's runtime directory
    long startTimeoutMs = 10000;
    long callTimeoutMs = 300000;
    bool spawn = true;  // start the registered server when nobody listens
};
ClientOptions ClientOptionsFromEnvironment();

// Connects a new CTTS object, starting the server if needed. Errors:
// REGDB_E_CLASSNOTREG (no server registered), CO_E_SERVER_EXEC_FAILURE (the
// server could not be started or reached in time).
HRESULT ConnectCTTS(const ClientOptions& options, std::unique_ptr<ITTS>* out);

// The program registered as the CTTS local server, or empty.
std::string RegisteredServerProgram();

}  // namespace lipsmith::tts
