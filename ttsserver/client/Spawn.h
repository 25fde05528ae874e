// Starting the server program detached from the client: its own session,
// standard input and output on /dev/null, standard error kept for its
// messages, and none of the client's other descriptors.
#pragma once
#include <string>

namespace lipsmith::tts {

// Starts `program` with `argument`. False (with the reason in `error`) when
// the program cannot be executed.
bool SpawnDetached(const std::string& program, const std::string& argument, std::string& error);

}  // namespace lipsmith::tts
