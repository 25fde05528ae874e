// Where the server listens: a Unix domain socket in the user's runtime
// directory ($LIPSMITH_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else a private
// folder "lipsmith-<uid>" in the temporary directory), beside the lock file
// that lets only one server serve at a time.
#pragma once
#include <string>

namespace lipsmith::tts {

// The folder, created (mode 0700) when missing. Empty with `error` set when
// it cannot be made or is not private to this user.
std::string RuntimeDirectory(std::string* error = nullptr);
std::string SocketPathIn(const std::string& dir);  // <dir>/lipsmith-tts.sock
std::string LockPathIn(const std::string& dir);    // <dir>/lipsmith-tts.lock
std::string LogPathIn(const std::string& dir);     // <dir>/lipsmith-tts.log

// Reads a whole-number setting from the environment, else `fallback`.
long EnvMilliseconds(const char* name, long fallback);

}  // namespace lipsmith::tts
