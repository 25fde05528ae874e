// The server's command line and its registration in the registry store
// (HKEY_CLASSES_ROOT): the ProgIDs, the class, the AppID and the type
// library entries that let clients find and start Lipsmith_TTS.
#pragma once
#include <string>

#include "Registry.h"
#include "Result.h"

namespace lipsmith::tts {

inline constexpr const char* kProgId = "Lipsmith_TTS.TTS.1";
inline constexpr const char* kVersionIndependentProgId = "Lipsmith_TTS.TTS";
inline constexpr const char* kClassFriendlyName = "CTTS Object";
inline constexpr const char* kAppName = "Lipsmith_TTS";
inline constexpr const char* kTypeLibHelpString = "Lipsmith_TTS 1.0 Type Library";

// HKEY_CLASSES_ROOT\CLSID\{...}\LocalServer32: its default value is the program.
std::string LocalServerKeyPath();

enum class ServerCommand { Run, RegServer, UnregServer };
// The first argument introduced by "-" or "/" (or "--") that names
// "UnregServer" or "RegServer", compared without regard to case, decides;
// anything else runs the server.
ServerCommand ParseCommandLine(int argc, const char* const* argv);

// Writes the AppID entries, the class entries, then the type library entry.
HRESULT RegisterServer(RegistryStore& store, const std::string& programPath);
// Removes the class and type library entries, then the AppID entries. Keys
// that hold them ("CLSID", "AppID", "TypeLib") are never removed.
HRESULT UnregisterServer(RegistryStore& store);

// Full path of the running program.
std::string CurrentProgramPath();

}  // namespace lipsmith::tts
