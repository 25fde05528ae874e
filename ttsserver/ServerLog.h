// The log of a server that clients started. Such a server must hold none of
// its starter's standard streams (a caller reading them to their end would
// wait for the server to exit), so it writes what it has to say, its lines
// and its message boxes, to a file in the runtime folder instead.
#pragma once
#include <string>

namespace lipsmith::tts {

// Points standard input and output at /dev/null and standard error at the
// log file `path` (appended to; an old log past 1 MiB is kept as
// `path`.old and a new one begun). False with `error` when the file cannot
// be opened; the streams then all go to /dev/null.
bool DetachStandardStreams(const std::string& path, std::string* error);

// One line of the server's own, with the time and the process id.
void LogLine(const std::string& line);

}  // namespace lipsmith::tts
