// The speech server as the command line finds it before a run: the program
// the registration names, checked, and a broken registration repaired once
// by registering the server installed beside this program.
#pragma once
#include <memory>
#include <string>

#include "ITTS.h"

namespace lipsmith::cli {

// Why `program` cannot be the speech server (it is missing, a folder, not a
// program, or another program), or "" when it can.
std::string ServerProgramProblem(const std::string& program);

// Connects a CTTS object. A registration that names no usable server, or
// whose server did not answer, is replaced once by the server beside this
// program, with a line on standard error that says so; otherwise a failure
// is explained there in words.
HRESULT ConnectSpeechServer(std::unique_ptr<ITTS>* engine);

}  // namespace lipsmith::cli
